#pragma once
// UnreplaceableFolder: a folder opened only when no other user can rename or replace
// anything on the way to it, so that a name under it stays the one that was judged. Each
// folder on the way belongs to root or to this user and lets no one else write in it,
// unless its sticky bit keeps others from renaming what is not theirs; each thing passed
// belongs to root or to this user; the folder itself is this user's and lets no one else
// write in it. A link on the way is followed, as the system would, only because it
// stands in a folder so judged, where no one else can have put it; its target is judged
// the same way. A value; any thread.

#include <optional>

#include <QString>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

struct UnreplaceableFolder {
  // Open for reading its entries and as the folder of names opened under it.
  FileDescriptor descriptor;
  // The folder's name with every link on the way resolved.
  QString path;

  // Nothing when path is not absolute, is missing, or fails a judgement on the way.
  static std::optional<UnreplaceableFolder> open(const QString& path);
};

}  // namespace tessorin
