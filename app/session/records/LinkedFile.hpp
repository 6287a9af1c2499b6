#pragma once
// fileBehindLinks: the file a name stands for when the name is a link (as dotfile
// managers keep a program's settings): the end of its links, followed as the system
// follows them, whether anything is there or not, so that a save can replace that file
// and keep the link. A link is followed only when it is the user's and stands in a folder
// no other user can change (UnreplaceableFolder, as a folder that holds the files: not
// even a sticky one others may write in, as the program opens names beside the link and
// beside the file); the folder of the file it ends at is judged the same way. Any thread.

#include <QString>

namespace tessorin {

struct FileBehindLinks {
  enum class Trouble {
    none,
    linksGoRound,
    // A link at the name, or on from it, that is not the user's.
    othersLink,
    // Another user may rename or replace something on the way to a link or the file.
    othersMayChange,
  };
  Trouble trouble = Trouble::none;
  // Without trouble: the file, with every link on the way to it resolved.
  QString file;
  // The name was a link.
  bool linked = false;
  // With trouble: the link or folder refused; "" when none is to blame.
  QString refused;
};

FileBehindLinks fileBehindLinks(const QString& path);

}  // namespace tessorin
