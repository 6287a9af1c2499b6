#include "session/records/History.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <thread>
#include <utility>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include "session/records/JsonFields.hpp"
#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

namespace {

constexpr auto lockPatience = std::chrono::seconds(5);
constexpr auto lockPause = std::chrono::milliseconds(50);

// A folder only this user may enter: made 0700 when missing; one that is a link, belongs
// to someone else or lets others in is refused, since whoever can write there can plant
// the history or point it elsewhere.
bool isPrivateFolder(const QString& folder) {
  if (folder.isEmpty()) return false;
  QDir().mkpath(QFileInfo(folder).absolutePath());
  const QByteArray path = QFile::encodeName(folder);
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return false;
  struct stat status {};
  if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) return false;
  return (status.st_mode & 077) == 0 || ::chmod(path.constData(), 0700) == 0;
}

// Holds the history's lock file while it lives; the lock goes with the descriptor, also
// when the process dies.
class HistoryLock {
 public:
  explicit HistoryLock(const QString& historyPath) {
    const QByteArray path = QFile::encodeName(historyPath + QStringLiteral(".lock"));
    FileDescriptor file(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file) return;
    const auto deadline = std::chrono::steady_clock::now() + lockPatience;
    for (;;) {
      if (::flock(file.get(), LOCK_EX | LOCK_NB) == 0) {
        file_ = std::move(file);
        return;
      }
      if (errno != EWOULDBLOCK && errno != EINTR) return;
      if (std::chrono::steady_clock::now() >= deadline) return;
      std::this_thread::sleep_for(lockPause);
    }
  }
  bool held() const { return file_.isOpen(); }

 private:
  FileDescriptor file_;
};

QString checksNotWritten(std::size_t count) {
  return count == 1 ? QStringLiteral("One check could not be written to the history file.")
                    : QStringLiteral("%1 checks could not be written to the history file.").arg(count);
}

}  // namespace

History::History(QUrl url, QObject* parent) : QObject(parent), url_(std::move(url)) { load(); }

QUrl History::defaultUrl() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (folder.isEmpty() || !QDir().mkpath(folder)) {
    folder.clear();
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!runtime.isEmpty() && isPrivateFolder(runtime + QStringLiteral("/tessorin"))) {
      folder = runtime + QStringLiteral("/tessorin");
    } else if (isPrivateFolder(cache)) {
      folder = cache;
    }
  }
  if (folder.isEmpty()) return {};
  return QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("History.json")));
}

History::FileContent History::readFile() const {
  FileContent content;
  QFile file(url_.toLocalFile());
  if (url_.isEmpty() || !file.exists()) return content;
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

void History::load() {
  FileContent content = readFile();
  fileUnreadable_ = content.unreadable;
  setRecords(std::move(content.records));
}

void History::setRecords(std::vector<CheckRecord> records) {
  if (records == records_) {
    records_ = std::move(records);
    return;
  }
  records_ = std::move(records);
  Q_EMIT recordsChanged();
}

void History::setSaveError(QString error) {
  if (saveError_ == error) return;
  saveError_ = std::move(error);
  Q_EMIT saveErrorChanged();
}

void History::add(CheckRecord record) {
  Q_ASSERT(QThread::currentThread() == thread());
  records_.insert(records_.begin(), std::move(record));
  Q_EMIT recordsChanged();
  save();
}

void History::update(const CheckRecord& record) {
  Q_ASSERT(QThread::currentThread() == thread());
  const auto found =
      std::find_if(records_.begin(), records_.end(), [&record](const CheckRecord& kept) { return kept.id == record.id; });
  if (found == records_.end()) return;
  const bool changed = !(*found == record);
  *found = record;
  if (changed) Q_EMIT recordsChanged();
  save();
}

void History::markShared(const QUuid& id, const std::string& sharedRecordName) {
  const auto found = std::find_if(records_.begin(), records_.end(), [&id](const CheckRecord& kept) { return kept.id == id; });
  if (found == records_.end()) return;
  CheckRecord copy = *found;
  copy.sharedRecordName = sharedRecordName;
  update(copy);
}

void History::remove(const QUuid& id) {
  Q_ASSERT(QThread::currentThread() == thread());
  removedHere_.insert(id);
  const auto removed = std::erase_if(records_, [&id](const CheckRecord& kept) { return kept.id == id; });
  if (removed > 0) Q_EMIT recordsChanged();
  save();
}

std::vector<CheckRecord> History::mergedWith(const std::vector<CheckRecord>& stored) const {
  std::set<QUuid> known;
  for (const CheckRecord& record : records_) known.insert(record.id);
  std::vector<CheckRecord> merged = records_;
  bool added = false;
  for (const CheckRecord& record : stored) {
    if (known.count(record.id) > 0 || removedHere_.count(record.id) > 0) continue;
    merged.push_back(record);
    added = true;
  }
  // Each process keeps its records newest first; together they stay so.
  if (added) {
    std::stable_sort(merged.begin(), merged.end(),
                     [](const CheckRecord& a, const CheckRecord& b) { return a.date > b.date; });
  }
  return merged;
}

void History::save() {
  if (url_.isEmpty()) {
    return setSaveError(QStringLiteral("The history has no folder to be saved in; checks are kept until Tessorin quits."));
  }
  const HistoryLock lock(url_.toLocalFile());
  if (!lock.held()) {
    return setSaveError(QStringLiteral("The history file is locked by another program and was not saved."));
  }
  FileContent stored = readFile();
  if (stored.unreadable) fileUnreadable_ = true;
  if (fileUnreadable_ && !setAsideUnreadableFile()) {
    return setSaveError(QStringLiteral("The history file could not be read or moved aside, so it was not saved."));
  }
  setRecords(mergedWith(stored.records));

  nlohmann::json content = nlohmann::json::array();
  std::size_t skipped = 0;
  for (const CheckRecord& record : records_) {
    try {
      content.push_back(record);
    } catch (const EncodingError&) {
      ++skipped;
    }
  }
  // A volume name that is not valid UTF-8 must not stop the save: it is written with
  // replacement characters.
  const std::string text = content.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';

  QSaveFile file(url_.toLocalFile());
  const bool written = file.open(QIODevice::WriteOnly) &&
                       file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
                       file.commit();
  if (!written) {
    file.cancelWriting();
    return setSaveError(QStringLiteral("The history could not be saved: %1").arg(file.errorString()));
  }
  setSaveError(skipped > 0 ? checksNotWritten(skipped) : QString());
}

bool History::setAsideUnreadableFile() {
  const QString path = url_.toLocalFile();
  if (!QFile::exists(path)) {
    fileUnreadable_ = false;
    return true;
  }
  const QString stem =
      path + QStringLiteral(".unreadable-") + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const QString aside = attempt == 1 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
    if (QFile::exists(aside)) continue;
    if (QFile::rename(path, aside)) {
      fileUnreadable_ = false;
      return true;
    }
    return false;
  }
  return false;
}

}  // namespace tessorin
