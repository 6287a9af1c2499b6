#pragma once
// setAside: a file that cannot be read moved out of the way beside itself, under its name
// with ".unreadable-" and the date and time, so that a new file can take its place and
// the user still finds the old one. Any thread.

#include <optional>

#include <QString>

namespace tessorin {

// The new name; "" when nothing is at path any more; nothing when what is there (not a
// regular file, or a link to one) is still in the way.
std::optional<QString> setAside(const QString& path);

}  // namespace tessorin
