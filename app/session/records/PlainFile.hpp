#pragma once
// PlainFile: a file the application reads at start (the history, its settings, the
// desktop's settings, the community's database), opened so that nothing at its name can
// make the open wait. A FIFO (or a device) put in a file's place would hold a blocking
// open until a writer came; here it is opened without blocking and judged by what was
// opened, not by the name, which may be replaced meanwhile. Only a regular file is read,
// and what is read is read from the descriptor that was judged, never from the name again.
// A value; safe on any thread.

#include <sys/stat.h>

#include <optional>

#include <QByteArray>
#include <QString>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

class PlainFile {
 public:
  enum class Kind {
    missing,
    regular,
    // A regular file this user may not open.
    unreadable,
    // A FIFO, a device, a folder, or a link to one (or any link, when links are refused):
    // not to be read.
    notAFile,
  };
  // A file the application also replaces is never reached through a link: the link is
  // someone else's, and what it points at is not the application's to read or overwrite.
  enum class Links { followed, refused };

  // Opens path for reading when it is a regular file; otherwise says what is there.
  static PlainFile open(const QString& path, Links links = Links::followed);
  // The same for a name inside a folder that is already open, so that the folder cannot
  // be swapped for another between looking at it and opening what is in it.
  static PlainFile openIn(int folder, const QString& name, Links links);
  // What stands at path, the file closed again at once.
  static Kind kindAt(const QString& path, Links links = Links::followed) { return open(path, links).kind(); }

  // The whole of a regular file as opened; nothing when it is none, holds more than
  // limit bytes, or cannot be read to its end.
  std::optional<QByteArray> readWhole(qint64 limit) const;

  // Whether the file changed since it was opened, or some program has it open for writing
  // now: what was read may then be part of a rewrite in place, not the file's whole text.
  // Where the file system grants no lease (fcntl's F_SETLEASE: none while a writer has the
  // file open), or the file is another user's, the change alone is told.
  bool beingWritten() const;

  Kind kind() const { return kind_; }
  // Open only for a regular file.
  int descriptor() const { return file_.get(); }
  // As opened; only for a regular file.
  const struct stat& status() const { return status_; }

 private:
  FileDescriptor file_;
  Kind kind_ = Kind::missing;
  struct stat status_ {};
};

}  // namespace tessorin
