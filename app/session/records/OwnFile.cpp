#include "session/records/OwnFile.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "session/records/LinkedFile.hpp"
#include "session/records/OthersMayWrite.hpp"

namespace tessorin {

OwnFile OwnFile::open(const QString& path, PlainFile::Links links) {
  OwnFile found;
  const FileBehindLinks behind = fileBehindLinks(path);
  found.refused = behind.refused;
  switch (behind.trouble) {
    case FileBehindLinks::Trouble::none:
      break;
    case FileBehindLinks::Trouble::linksGoRound:
      found.kind = Kind::notAFile;
      return found;
    case FileBehindLinks::Trouble::othersLink:
      found.kind = Kind::othersLink;
      return found;
    case FileBehindLinks::Trouble::othersMayChange:
      found.kind = Kind::othersMayChange;
      return found;
  }
  found.file = behind.file;
  found.linked = behind.linked;
  if (found.linked && links == PlainFile::Links::refused) {
    found.kind = Kind::notAFile;
    found.refused.clear();
    return found;
  }
  // What the links lead to was found above; a link put there since is not followed.
  found.opened = PlainFile::open(found.file, PlainFile::Links::refused);
  const uid_t user = ::geteuid();
  struct stat status {};
  switch (found.opened.kind()) {
    case PlainFile::Kind::missing:
      return found;
    case PlainFile::Kind::notAFile:
      found.kind = Kind::notAFile;
      return found;
    case PlainFile::Kind::unreadable:
      found.kind = ::lstat(QFile::encodeName(found.file).constData(), &status) == 0 && status.st_uid != user
                       ? Kind::othersFile
                       : Kind::unreadable;
      break;
    case PlainFile::Kind::regular:
      status = found.opened.status();
      // A file another user made holds what they chose, and a save would replace a file
      // that is not the user's; one others may write in may hold what they wrote.
      found.kind = status.st_uid != user                                       ? Kind::othersFile
                   : othersMayWrite(found.opened.descriptor(), status, user) ? Kind::othersMayChange
                                                                               : Kind::regular;
      break;
  }
  if (found.kind != Kind::regular) found.opened = PlainFile();
  // The name itself is to blame for another user's file; the file for its mode.
  if (found.kind == Kind::othersMayChange) found.refused = found.file;
  return found;
}

}  // namespace tessorin
