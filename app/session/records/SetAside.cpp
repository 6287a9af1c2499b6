#include "session/records/SetAside.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

namespace {

bool writeAll(int file, const char* bytes, ssize_t size) {
  while (size > 0) {
    const ssize_t written = ::write(file, bytes, static_cast<size_t>(size));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

// For a file system without hard links: the file's bytes under the new name, made anew
// (never through what stands there), with its mode, forced to the disk.
bool copyTo(const QByteArray& from, const QByteArray& to) {
  const FileDescriptor source(::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat status {};
  if (!source || ::fstat(source.get(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  const FileDescriptor copy(::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!copy) return false;
  bool copied = ::fchmod(copy.get(), status.st_mode & 0777) == 0;
  char chunk[65536];
  while (copied) {
    const ssize_t got = ::read(source.get(), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      copied = got == 0;
      break;
    }
    copied = writeAll(copy.get(), chunk, got);
  }
  if (copied && ::fsync(copy.get()) == 0) return true;
  ::unlink(to.constData());
  return false;
}

bool linksAreRefused(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

}  // namespace

std::optional<KeptAside> setAside(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat status {};
  if (::lstat(name.constData(), &status) != 0) {
    return errno == ENOENT ? std::optional(KeptAside{}) : std::nullopt;
  }
  // Only a regular file is the caller's to keep aside (a link's is the file it leads to).
  if (!S_ISREG(status.st_mode)) return std::nullopt;
  // Dated as the community's damaged file is, so the two read alike side by side.
  const QString stem = path + QStringLiteral(".unreadable-") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH-mm-ss"));
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const QString aside = attempt == 1 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
    const QByteArray asideName = QFile::encodeName(aside);
    // Neither link nor the copy's O_EXCL ever replaces what stands at a name.
    if (::link(name.constData(), asideName.constData()) != 0) {
      if (errno == EEXIST) continue;
      if (!linksAreRefused(errno)) return std::nullopt;
      if (!copyTo(name, asideName)) {
        if (errno == EEXIST) continue;
        return std::nullopt;
      }
    }
    struct stat made {};
    if (::lstat(asideName.constData(), &made) != 0) return std::nullopt;
    // The new name must reach the disk before the rename that replaces the file does.
    const FileDescriptor folder(
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) ::fsync(folder.get());
    return KeptAside{aside, made.st_dev, made.st_ino};
  }
  return std::nullopt;
}

void withdrawAside(const KeptAside& aside) {
  if (aside.path.isEmpty()) return;
  const QByteArray name = QFile::encodeName(aside.path);
  struct stat status {};
  if (::lstat(name.constData(), &status) == 0 && status.st_dev == aside.device && status.st_ino == aside.inode) {
    ::unlink(name.constData());
  }
}

}  // namespace tessorin
