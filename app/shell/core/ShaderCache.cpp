#include "shell/core/ShaderCache.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGui/private/qshader_p.h>

#include "session/records/PlainFile.hpp"
#include "tessorin/posix/FileIdentity.hpp"
#include "tessorin/posix/TreeRemoval.hpp"

namespace tessorin {

namespace {

// Far above any shader the effects build; a bigger file is not one of theirs.
constexpr qint64 largestShader = 16 << 20;

// Qt warns about every broken file it is shown, in words that read as if the window had
// failed to draw; while the cache is checked they are held back, on this thread only.
thread_local bool judging = false;
QtMessageHandler passedOn = nullptr;

void quietWhileJudging(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (!judging) passedOn(type, context, message);
}

// With the very deserializer Qt Quick's ShaderEffect uses on the file, and its verdict.
bool readableAsQtReadsIt(const QByteArray& bytes) {
  judging = true;
  const bool valid = QShader::fromSerialized(bytes).isValid();
  judging = false;
  return valid;
}

bool mine(const struct stat& status) { return status.st_uid == ::geteuid(); }

// O_NONBLOCK: a FIFO at the lock's name must not hold the start.
FileDescriptor openLock(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  FileDescriptor lock(::open(QFile::encodeName(path).constData(),
                             O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600));
  struct stat status {};
  if (lock && (::fstat(lock.get(), &status) != 0 || !S_ISREG(status.st_mode))) lock.reset();
  return lock;
}

QStringList removeUnreadableIn(const QString& path) {
  QStringList removed;
  const FileDescriptor folder(
      ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat status {};
  if (!folder || ::fstat(folder.get(), &status) != 0 || !mine(status) || (status.st_mode & S_IWOTH) != 0) {
    return removed;
  }
  passedOn = qInstallMessageHandler(quietWhileJudging);
  for (const std::string& name : namesInDirectory(folder.get())) {
    if (!name.ends_with(".qsb")) continue;
    const QString shownName = QFile::decodeName(name.c_str());
    const PlainFile file = PlainFile::openIn(folder.get(), shownName, PlainFile::Links::refused);
    if (file.kind() != PlainFile::Kind::regular || !mine(file.status())) continue;
    const std::optional<QByteArray> bytes = file.readWhole(largestShader);
    if (!bytes || readableAsQtReadsIt(*bytes)) continue;
    // What was judged must still be what stands at the name.
    if (FileIdentity::at(folder.get(), name.c_str()) != FileIdentity::of(file.descriptor())) continue;
    if (::unlinkat(folder.get(), name.c_str(), 0) == 0) removed.append(QDir(path).filePath(shownName));
  }
  qInstallMessageHandler(passedOn);
  return removed;
}

}  // namespace

ShaderCache::ShaderCache(QString folder) : folder_(std::move(folder)) {}

QString ShaderCache::defaultFolder() {
  // As the effects name it, after the Qt they were built with: the one this program is
  // built with, as Debian ships Qt's modules together.
  return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
         QStringLiteral("/_qt_QGfxShaderBuilder_") + QStringLiteral(QT_VERSION_STR);
}

QStringList ShaderCache::repair() {
  QStringList removed;
  lock_ = openLock(folder_ + QStringLiteral(".lock"));
  // Without the lock, whether another program is writing a shader cannot be told.
  if (!lock_) return removed;
  if (::flock(lock_.get(), LOCK_EX | LOCK_NB) == 0) removed = removeUnreadableIn(folder_);
  // Shared from here on: a program starting later sees that this one may be writing.
  while (::flock(lock_.get(), LOCK_SH) != 0 && errno == EINTR) {
  }
  return removed;
}

}  // namespace tessorin
