#include "shell/core/ShaderCache.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGui/private/qshader_p.h>

#include "session/records/OthersMayWrite.hpp"
#include "session/records/PlainFile.hpp"
#include "session/records/UnreplaceableFolder.hpp"
#include "tessorin/posix/FileIdentity.hpp"
#include "tessorin/posix/TreeRemoval.hpp"

namespace tessorin {

namespace {

using namespace std::chrono_literals;

// Far above any shader the effects build; a bigger file is not one of theirs.
constexpr qint64 largestShader = 16 << 20;
// Far longer than another program takes to repair the folder; a lock held longer is held
// for some other reason, and the start goes on without it.
constexpr auto lockPatience = 2s;
constexpr auto lockPause = 10ms;

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

// O_NONBLOCK: a FIFO at the lock's name must not hold the start. Another user's file would
// let them hold the lock, and the start with it.
FileDescriptor openLock(int folder, const QByteArray& name) {
  FileDescriptor lock(
      ::openat(folder, name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600));
  struct stat status {};
  if (lock && (::fstat(lock.get(), &status) != 0 || !S_ISREG(status.st_mode) || !mine(status))) lock.reset();
  return lock;
}

// Taken within patience, or not at all: flock itself waits without a limit.
bool lockWithin(int lock, int operation) {
  const auto giveUp = std::chrono::steady_clock::now() + lockPatience;
  while (::flock(lock, operation | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(lockPause);
  }
  return true;
}

// shownPath: the folder's name as the caller gave it, for the paths removed.
QStringList removeUnreadableIn(int parent, const QByteArray& name, const QString& shownPath) {
  QStringList removed;
  const FileDescriptor folder(::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat status {};
  if (!folder || ::fstat(folder.get(), &status) != 0 || !mine(status) || othersMayWrite(folder.get(), status, ::geteuid())) {
    return removed;
  }
  passedOn = qInstallMessageHandler(quietWhileJudging);
  for (const std::string& entry : namesInDirectory(folder.get())) {
    if (!entry.ends_with(".qsb")) continue;
    const QString shownName = QFile::decodeName(entry.c_str());
    const PlainFile file = PlainFile::openIn(folder.get(), shownName, PlainFile::Links::refused);
    if (file.kind() != PlainFile::Kind::regular || !mine(file.status())) continue;
    const std::optional<QByteArray> bytes = file.readWhole(largestShader);
    if (!bytes || readableAsQtReadsIt(*bytes)) continue;
    // What was judged must still be what stands at the name.
    if (FileIdentity::at(folder.get(), entry.c_str()) != FileIdentity::of(file.descriptor())) continue;
    if (::unlinkat(folder.get(), entry.c_str(), 0) == 0) removed.append(QDir(shownPath).filePath(shownName));
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
  const QFileInfo folder(folder_);
  UnreplaceableFolder::makeMissing(folder.absolutePath());
  const std::optional<UnreplaceableFolder> parent =
      UnreplaceableFolder::open(folder.absolutePath(), UnreplaceableFolder::Itself::asOnTheWay);
  if (!parent) return removed;
  const QByteArray name = QFile::encodeName(folder.fileName());
  lock_ = openLock(parent->descriptor.get(), name + ".lock");
  // Without the lock, whether another program is writing a shader cannot be told.
  if (!lock_) return removed;
  if (::flock(lock_.get(), LOCK_EX | LOCK_NB) == 0) {
    removed = removeUnreadableIn(parent->descriptor.get(), name, folder_);
  }
  // Shared from here on: a program starting later sees that this one may be writing. One
  // that holds it alone meanwhile is waited for only as long as a repair takes.
  if (!lockWithin(lock_.get(), LOCK_SH)) lock_.reset();
  return removed;
}

}  // namespace tessorin
