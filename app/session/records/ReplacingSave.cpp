#include "session/records/ReplacingSave.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

namespace {

QString failed(const char* what, const QString& path) {
  return QStringLiteral("%1 %2: %3").arg(QLatin1String(what), path, QString::fromLocal8Bit(std::strerror(errno)));
}

bool writeAll(int file, const QByteArray& text) {
  qsizetype done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(file, text.constData() + done, static_cast<size_t>(text.size() - done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += written;
  }
  return true;
}

}  // namespace

bool saveByReplacing(const QString& path, const QByteArray& text, QString& error) {
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) {
    error = QStringLiteral("cannot make the folder %1").arg(folder);
    return false;
  }
  QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
  FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!file) {
    error = failed("cannot create a file beside", path);
    return false;
  }
  const auto abandon = [&](const char* what) {
    error = failed(what, QFile::decodeName(temporary));
    ::unlink(temporary.constData());
    return false;
  };
  if (!writeAll(file.get(), text)) return abandon("cannot write");
  // The rename must not reach the disk before the text does, or a crash leaves an empty file.
  if (::fsync(file.get()) != 0) return abandon("cannot sync");
  file.reset();
  if (::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) return abandon("cannot rename");
  // The rename itself lasts once the folder is synced; a file system that cannot sync a
  // folder has already kept it.
  const FileDescriptor directory(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory) ::fsync(directory.get());
  return true;
}

}  // namespace tessorin
