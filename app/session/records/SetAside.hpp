#pragma once
// setAside: a file that cannot be read kept aside beside itself, under its name with
// ".unreadable-" and the date and time, so that a new file can take its place and the
// user still finds the old one. The name keeps the file meanwhile: the copy aside is a
// second name of the same file (a hard link), or where the file system has none, a copy
// written whole; the caller then replaces the file in one rename (saveByReplacing), so
// that a run killed at any moment leaves the old file or the new at the name, never none.
// Any thread.

#include <sys/types.h>

#include <optional>

#include <QString>

namespace tessorin {

struct KeptAside {
  // "" when nothing was at the name.
  QString path;
  // The file at path when it was made.
  dev_t device = 0;
  ino_t inode = 0;
};

// The copy kept aside; nothing when what is at path (not a regular file) is still in the
// way, or no copy could be made.
std::optional<KeptAside> setAside(const QString& path);

// Removes the copy again, when the file that was to replace the original could not be
// saved (the next save keeps it aside once more): only while its name still holds the
// file setAside made.
void withdrawAside(const KeptAside& aside);

}  // namespace tessorin
