#pragma once
// fileBehindLinks: the file a name stands for when the name is a link (as dotfile
// managers keep a program's settings): the end of its links, followed as the system
// follows them, whether anything is there or not, so that a save can replace that file
// and keep the link. Any thread.

#include <optional>

#include <QString>

namespace tessorin {

// path itself when it is no link; nothing when its links go round.
std::optional<QString> fileBehindLinks(const QString& path);

}  // namespace tessorin
