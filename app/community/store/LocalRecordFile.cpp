#include "community/store/LocalRecordFile.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "session/records/OwnFile.hpp"
#include "session/records/PlainFile.hpp"
#include "session/records/UnreplaceableFolder.hpp"
#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

namespace {

constexpr auto busyPatience = std::chrono::seconds(5);
constexpr auto busyPause = std::chrono::milliseconds(50);

QString systemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

}  // namespace

LocalRecordDatabase& LocalRecordFile::database() {
  if (database_) return *database_;
  UnreplaceableFolder::makeMissing(QFileInfo(path_).absolutePath());
  const OwnFile found = OwnFile::open(path_);
  if (found.isOthers()) return keepForTheRun(found, path_);
  // SQLite opens the file and its log with a blocking open, which a FIFO in their place
  // holds until a writer comes (and the store's thread, and the application's quit, with
  // it). Such a file is left as it is and the records are not used until it is moved away.
  if (found.kind == OwnFile::Kind::notAFile) passOver(path_);
  file_ = found.file;
  // SQLite makes its logs beside the file it opens and opens whatever stands at their
  // names: that must be the user's own file too, and never a link, not even the user's.
  for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
    const OwnFile log = OwnFile::open(file_ + suffix, PlainFile::Links::refused);
    if (log.isOthers()) return keepForTheRun(log, file_ + suffix);
    if (log.kind == OwnFile::Kind::notAFile) passOver(file_ + suffix);
  }
  // SQLite would make the file, and its logs after it, with the umask's mode, which a
  // shared group's umask leaves open to others; the records are the user's alone.
  if (found.kind == OwnFile::Kind::missing) {
    const FileDescriptor made(
        ::open(QFile::encodeName(file_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  }
  const auto giveUp = std::chrono::steady_clock::now() + busyPatience;
  for (bool setAsideOnce = false;;) {
    try {
      database_ = std::make_unique<LocalRecordDatabase>(file_);
      return *database_;
    } catch (const SqliteError& error) {
      if (error.isBusy() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(busyPause);
      } else if (error.isDamaged() && !setAsideOnce) {
        setAside();
        setAsideOnce = true;
      } else {
        throw unusable(error);
      }
    } catch (const std::runtime_error& error) {
      throw RecordStoreError(RecordErrorCode::internalError,
                             QCoreApplication::translate("LocalRecordStore", "The community records in “%1” cannot be used: %2.")
                                 .arg(QDir::toNativeSeparators(path_), QString::fromUtf8(error.what())));
    }
  }
}

LocalRecordDatabase& LocalRecordFile::keepForTheRun(const OwnFile& found, const QString& name) {
  database_ = std::make_unique<LocalRecordDatabase>(QStringLiteral(":memory:"));
  keptForTheRun_ = true;
  std::lock_guard lock(mutex_);
  whyKeptForTheRun_ = KeptForTheRun{found.kind, found.refused.isEmpty() ? name : found.refused};
  return *database_;
}

void LocalRecordFile::passOver(const QString& name) {
  {
    std::lock_guard lock(mutex_);
    if (lastPassedOver_ != name) passedOver_ = lastPassedOver_ = name;
  }
  throw RecordStoreError(RecordErrorCode::internalError,
                         QCoreApplication::translate("LocalRecordStore",
                                                     "The community records in “%1” cannot be used: “%2” is not a "
                                                     "file.")
                             .arg(QDir::toNativeSeparators(path_), QDir::toNativeSeparators(name)));
}

void LocalRecordFile::setAside() {
  database_.reset();
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH-mm-ss"));
  QString target = file_ + QStringLiteral(".damaged-") + stamp;
  for (int n = 2; QFileInfo::exists(target); ++n) target = file_ + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
  // The log and its index belong to the damaged file and go with it; a new file must not
  // take them up.
  for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
    if (QFileInfo::exists(file_ + suffix)) QFile::rename(file_ + suffix, target + suffix);
  }
  if (!QFile::rename(file_, target)) {
    throw RecordStoreError(
        RecordErrorCode::internalError,
        QCoreApplication::translate("LocalRecordStore",
                                    "The community records in “%1” are damaged and could not be set aside.")
            .arg(QDir::toNativeSeparators(path_)));
  }
  std::lock_guard lock(mutex_);
  setAsideAs_ = target;
}

std::optional<QString> LocalRecordFile::takeSetAside() {
  std::lock_guard lock(mutex_);
  return std::exchange(setAsideAs_, std::nullopt);
}

std::optional<QString> LocalRecordFile::takePassedOver() {
  std::lock_guard lock(mutex_);
  return std::exchange(passedOver_, std::nullopt);
}

std::optional<LocalRecordFile::KeptForTheRun> LocalRecordFile::takeKeptForTheRun() {
  std::lock_guard lock(mutex_);
  return std::exchange(whyKeptForTheRun_, std::nullopt);
}

RecordStoreError LocalRecordFile::unusable(const SqliteError& error) const {
  // SQLite says "unable to open database file" or "attempt to write a readonly
  // database"; the system says why.
  const QFileInfo file(path_);
  QString reason;
  if (file.exists() ? access(QFile::encodeName(path_).constData(), W_OK) != 0
                    : access(QFile::encodeName(file.absolutePath()).constData(), W_OK) != 0) {
    reason = systemMessage(errno);
  } else if (error.systemError != 0) {
    reason = systemMessage(error.systemError);
  } else {
    reason = QString::fromUtf8(error.what());
  }
  return RecordStoreError(RecordErrorCode::internalError,
                          QCoreApplication::translate("LocalRecordStore", "The community records in “%1” cannot be used: %2.")
                              .arg(QDir::toNativeSeparators(path_), reason));
}

}  // namespace tessorin
