#include "session/records/HistoryFile.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <exception>
#include <optional>
#include <thread>
#include <utility>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "session/errors/ErrorWording.hpp"
#include "session/records/JsonFields.hpp"
#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin::historyfile {

namespace {

constexpr auto lockPatience = std::chrono::seconds(5);
constexpr auto lockPause = std::chrono::milliseconds(50);

QString tr(const char* text) { return QCoreApplication::translate("History", text); }

// Holds the history's lock file while it lives; the lock goes with the descriptor, also
// when the process dies.
class HistoryLock {
 public:
  explicit HistoryLock(const QString& historyPath) {
    const QByteArray path = QFile::encodeName(historyPath + QStringLiteral(".lock"));
    FileDescriptor file(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file) {
      error_ = errno;
      return;
    }
    const auto deadline = std::chrono::steady_clock::now() + lockPatience;
    for (;;) {
      if (::flock(file.get(), LOCK_EX | LOCK_NB) == 0) {
        file_ = std::move(file);
        return;
      }
      error_ = errno;
      if (errno != EWOULDBLOCK && errno != EINTR) return;
      if (std::chrono::steady_clock::now() >= deadline) return;
      std::this_thread::sleep_for(lockPause);
    }
  }
  bool held() const { return file_.isOpen(); }
  // Another program held the lock all along; otherwise the system refused the lock file.
  bool heldElsewhere() const { return error_ == EWOULDBLOCK || error_ == EINTR; }
  int error() const { return error_; }

 private:
  FileDescriptor file_;
  int error_ = 0;
};

QString checksNotWritten(std::size_t count) {
  return count == 1 ? tr("One check could not be written to the history file.")
                    : tr("%1 checks could not be written to the history file.").arg(count);
}

// Renames an unreadable file out of the way. The new name, or nothing when it is still
// in the way; a file that is gone meanwhile needs no new name.
std::optional<QString> setAside(const QString& path) {
  if (!QFile::exists(path)) return QString();
  // Dated as the community's damaged file is, so the two read alike side by side.
  const QString stem = path + QStringLiteral(".unreadable-") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH-mm-ss"));
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const QString aside = attempt == 1 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
    if (QFile::exists(aside)) continue;
    if (QFile::rename(path, aside)) return aside;
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

Content read(const QString& path) {
  Content content;
  QFile file(path);
  if (path.isEmpty() || !file.exists()) return content;
  if (!file.open(QIODevice::ReadOnly)) {
    content.unreadable = true;
    return content;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    content.unreadable = true;
    return content;
  }
  const nlohmann::json parsed = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (!parsed.is_array()) {
    content.unreadable = true;
    return content;
  }
  // One record a newer version wrote, or one damaged by hand, costs that record only;
  // the file keeps all of them once it is set aside.
  content.records.reserve(parsed.size());
  for (const nlohmann::json& element : parsed) {
    try {
      content.records.push_back(element.get<CheckRecord>());
    } catch (const std::exception&) {
      content.unreadable = true;
    }
  }
  return content;
}

std::vector<CheckRecord> merged(const std::vector<CheckRecord>& ours, const std::set<QUuid>& removedHere,
                                const std::vector<CheckRecord>& stored) {
  std::set<QUuid> known;
  for (const CheckRecord& record : ours) known.insert(record.id);
  std::vector<CheckRecord> result = ours;
  bool added = false;
  for (const CheckRecord& record : stored) {
    if (known.count(record.id) > 0 || removedHere.count(record.id) > 0) continue;
    result.push_back(record);
    added = true;
  }
  // Each process keeps its records newest first; together they stay so.
  if (added) {
    std::stable_sort(result.begin(), result.end(),
                     [](const CheckRecord& a, const CheckRecord& b) { return a.date > b.date; });
  }
  return result;
}

SaveResult save(const SaveRequest& request) {
  SaveResult result;
  result.fileUnreadable = request.fileUnreadable;
  const HistoryLock lock(request.path);
  if (!lock.held()) {
    // A folder that cannot take the lock file (read-only, full, no permission) cannot take
    // the history either: its reason is the one to tell.
    result.error = lock.heldElsewhere()
                       ? ErrorNotice{tr("The history file is locked by another program and was not saved."), {}}
                       : ErrorWording::historyNotSaved(QString::fromLocal8Bit(std::strerror(lock.error())));
    return result;
  }
  Content stored = read(request.path);
  if (stored.unreadable) result.fileUnreadable = true;
  if (result.fileUnreadable) {
    const std::optional<QString> aside = setAside(request.path);
    if (!aside) {
      result.error.message = tr("The history file could not be read or moved aside, so it was not saved.");
      return result;
    }
    result.setAsideAs = *aside;
    result.fileUnreadable = false;
  }
  const std::vector<CheckRecord> records = merged(request.records, request.removedHere, stored.records);
  result.stored = std::move(stored.records);

  nlohmann::json content = nlohmann::json::array();
  std::size_t skipped = 0;
  for (const CheckRecord& record : records) {
    try {
      content.push_back(record);
    } catch (const EncodingError&) {
      ++skipped;
    }
  }
  // A volume name that is not valid UTF-8 must not stop the save: it is written with
  // replacement characters.
  const std::string text = content.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';

  QSaveFile file(request.path);
  const bool written = file.open(QIODevice::WriteOnly) &&
                       file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
                       file.commit();
  if (!written) {
    // The system's reason (a full disk, say) is read before cancelling, which puts its
    // own "cancelled" text in its place.
    const QString reason = file.errorString();
    file.cancelWriting();
    result.error = ErrorWording::historyNotSaved(reason);
    return result;
  }
  if (skipped > 0) result.error.message = checksNotWritten(skipped);
  return result;
}

}  // namespace tessorin::historyfile
