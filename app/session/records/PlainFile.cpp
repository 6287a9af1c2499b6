#include "session/records/PlainFile.hpp"

#include <fcntl.h>

#include <cerrno>

#include <QFile>

namespace tessorin {

PlainFile PlainFile::open(const QString& path) {
  PlainFile opened;
  const QByteArray name = QFile::encodeName(path);
  opened.file_ = FileDescriptor(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!opened.file_) {
    if (errno == ENOENT) return opened;
    // A device that refuses to open (a terminal with none behind it) is no file either.
    struct stat status {};
    const bool regular = ::stat(name.constData(), &status) == 0 && S_ISREG(status.st_mode);
    opened.kind_ = regular ? Kind::unreadable : Kind::notAFile;
    return opened;
  }
  if (::fstat(opened.file_.get(), &opened.status_) != 0) {
    opened.file_ = FileDescriptor();
    opened.kind_ = Kind::unreadable;
    return opened;
  }
  opened.kind_ = S_ISREG(opened.status_.st_mode) ? Kind::regular : Kind::notAFile;
  if (opened.kind_ != Kind::regular) opened.file_ = FileDescriptor();
  return opened;
}

}  // namespace tessorin
