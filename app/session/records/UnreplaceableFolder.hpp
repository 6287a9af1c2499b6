#pragma once
// UnreplaceableFolder: a folder opened only when no other user can rename or replace
// anything on the way to it, so that a name under it stays the one that was judged. Each
// folder on the way belongs to root or to this user and lets no one else write in it
// (othersMayWrite: the user's private group is the user's own), unless its sticky bit
// keeps others from renaming what is not theirs; each thing passed belongs to root or to
// this user. A link on the way is followed, as the system would, only because it stands
// in a folder so judged, where no one else can have put it; its target is judged the
// same way. A value; any thread.

#include <optional>

#include <QString>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

struct UnreplaceableFolder {
  // What the folder itself must be, beyond what every folder on the way is.
  enum class Itself {
    // This user's, and no one else may write in it: files are made and removed in it.
    theUsersAlone,
    // No one but root and this user may write in it, sticky or not: it holds a file the
    // user keeps, and the names opened beside it (a lock, a save's new file) would
    // otherwise be another user's to put there first, a FIFO that holds the open among them.
    holdsTheFiles,
    // As a folder on the way: a file of the user's in it stays as it is (a cache).
    asOnTheWay,
  };

  // Open for reading its entries and as the folder of names opened under it.
  FileDescriptor descriptor;
  // The folder's name with every link on the way resolved.
  QString path;

  // Nothing when path is not absolute, is missing, or fails a judgement on the way; then
  // refused, when given, names what failed it (a folder or a link, links on the way
  // resolved), or is "" when nothing did (a missing folder, links that go round).
  static std::optional<UnreplaceableFolder> open(const QString& path, Itself itself = Itself::theUsersAlone,
                                                 QString* refused = nullptr);

  // Makes the folders of path that are missing, each 0700 (the settings hold the community's
  // token), as the system's umask would otherwise leave them open to a shared group.
  static void makeMissing(const QString& path);
};

}  // namespace tessorin
