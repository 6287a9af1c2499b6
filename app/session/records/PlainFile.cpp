#include "session/records/PlainFile.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <QFile>

namespace tessorin {

PlainFile PlainFile::open(const QString& path, Links links) { return openIn(AT_FDCWD, path, links); }

PlainFile PlainFile::openIn(int folder, const QString& path, Links links) {
  PlainFile opened;
  const QByteArray name = QFile::encodeName(path);
  const int noLinks = links == Links::refused ? O_NOFOLLOW : 0;
  opened.file_ =
      FileDescriptor(::openat(folder, name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | noLinks));
  if (!opened.file_) {
    if (errno == ENOENT) return opened;
    if (errno == ELOOP) {
      opened.kind_ = Kind::notAFile;
      return opened;
    }
    // A device that refuses to open (a terminal with none behind it) is no file either.
    struct stat status {};
    const int found = ::fstatat(folder, name.constData(), &status, links == Links::refused ? AT_SYMLINK_NOFOLLOW : 0);
    const bool regular = found == 0 && S_ISREG(status.st_mode);
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

std::optional<QByteArray> PlainFile::readWhole(qint64 limit) const {
  if (kind_ != Kind::regular) return std::nullopt;
  QByteArray bytes;
  // The size as opened is only a first guess: the file may grow or shrink as it is read.
  bytes.reserve(static_cast<qsizetype>(std::clamp<qint64>(status_.st_size, 0, limit)) + 1);
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::pread(file_.get(), chunk, sizeof chunk, bytes.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) return bytes;
    if (bytes.size() + got > limit) return std::nullopt;
    bytes.append(chunk, got);
  }
}

bool PlainFile::beingWritten() const {
  if (kind_ != Kind::regular) return false;
  struct stat now {};
  if (::fstat(file_.get(), &now) != 0) return true;
  const auto same = [](const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
  if (now.st_size != status_.st_size || !same(now.st_mtim, status_.st_mtim) || !same(now.st_ctim, status_.st_ctim)) {
    return true;
  }
  // A writer opening the file in the moment the lease is held breaks it with a signal to
  // this process; SIGURG is ignored unless handled, where SIGIO would end the process.
  if (::fcntl(file_.get(), F_SETSIG, SIGURG) != 0) return false;
  if (::fcntl(file_.get(), F_SETLEASE, F_RDLCK) != 0) return errno == EAGAIN;
  ::fcntl(file_.get(), F_SETLEASE, F_UNLCK);
  return false;
}

}  // namespace tessorin
