#pragma once
// OwnFile: what stands at the name of a file the application reads and replaces (its
// settings, the history, the community's records), taken for the user's own only where
// no other user can have put it there or change it. Every folder on the way belongs to
// root or to the user and lets no one else write in it, unless sticky, and the folder
// holding it lets no one else write in it, sticky or not (UnreplaceableFolder); a link at
// the name is followed only as fileBehindLinks follows it; and the file is a regular file
// of the user's in which no one else may write, by its mode or its ACL (othersMayWrite:
// the user's private group is the user's own).
// Otherwise a shared group's umask or a careless chmod would let another user have their
// file read as the user's, or have a save replace a file of the user's through their link.
//
// The file is opened without blocking and judged by what was opened (PlainFile). A value;
// any thread.

#include <QString>

#include "session/records/PlainFile.hpp"

namespace tessorin {

struct OwnFile {
  enum class Kind {
    missing,
    // A regular file of the user's that no one else may write in: opened.
    regular,
    // A FIFO, a device, a folder, a link to one, links that go round; any link, when
    // links are refused.
    notAFile,
    // A regular file of the user's that the user may not open.
    unreadable,
    // A file that is another user's.
    othersFile,
    // A link at the name, or on from it, that is not the user's.
    othersLink,
    // Others may write in the file, or rename or replace something on the way to it.
    othersMayChange,
  };

  Kind kind = Kind::missing;
  // The file the name stands for, with every link on the way resolved: what a save
  // replaces. "" when something of another user's stood before it.
  QString file;
  // The name is a link.
  bool linked = false;
  // What another user may change, or the link that is not the user's; "" when the name
  // itself is to blame (another user's file), or nothing, or no one thing (links that go
  // round).
  QString refused;
  // Open for reading when regular.
  PlainFile opened;

  // Another user may have put what stands there, or may change it: nothing there is to
  // be read, set aside or written.
  bool isOthers() const {
    return kind == Kind::othersFile || kind == Kind::othersLink || kind == Kind::othersMayChange;
  }

  // With links refused, a link at the name is not followed, even the user's: for the
  // names a program makes beside a file it keeps.
  static OwnFile open(const QString& path, PlainFile::Links links = PlainFile::Links::followed);
};

}  // namespace tessorin
