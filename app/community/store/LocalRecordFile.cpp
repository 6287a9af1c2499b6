#include "community/store/LocalRecordFile.hpp"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "session/records/PlainFile.hpp"

namespace tessorin {

namespace {

constexpr auto busyPatience = std::chrono::seconds(5);
constexpr auto busyPause = std::chrono::milliseconds(50);

QString systemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

}  // namespace

LocalRecordDatabase& LocalRecordFile::database() {
  if (database_) return *database_;
  // SQLite opens the file and its log with a blocking open, which a FIFO in their place
  // holds until a writer comes (and the store's thread, and the application's quit, with
  // it). Such a file is left as it is and the records are not used until it is moved away.
  for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
    if (PlainFile::kindAt(path_ + suffix) != PlainFile::Kind::notAFile) continue;
    {
      std::lock_guard lock(mutex_);
      if (lastPassedOver_ != path_ + suffix) passedOver_ = lastPassedOver_ = path_ + suffix;
    }
    throw RecordStoreError(RecordErrorCode::internalError,
                           QCoreApplication::translate("LocalRecordStore",
                                                       "The community records in “%1” cannot be used: “%2” is not a "
                                                       "file.")
                               .arg(QDir::toNativeSeparators(path_), QDir::toNativeSeparators(path_ + suffix)));
  }
  const auto giveUp = std::chrono::steady_clock::now() + busyPatience;
  for (bool setAsideOnce = false;;) {
    try {
      QDir().mkpath(QFileInfo(path_).absolutePath());
      database_ = std::make_unique<LocalRecordDatabase>(path_);
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

void LocalRecordFile::setAside() {
  database_.reset();
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH-mm-ss"));
  QString target = path_ + QStringLiteral(".damaged-") + stamp;
  for (int n = 2; QFileInfo::exists(target); ++n) target = path_ + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
  // The log and its index belong to the damaged file and go with it; a new file must not
  // take them up.
  for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
    if (QFileInfo::exists(path_ + suffix)) QFile::rename(path_ + suffix, target + suffix);
  }
  if (!QFile::rename(path_, target)) {
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
