#include "session/records/History.hpp"

#include <algorithm>
#include <exception>
#include <utility>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include "session/records/JsonFields.hpp"

namespace tessorin {

History::History(QUrl url, QObject* parent) : QObject(parent), url_(std::move(url)) { load(); }

QUrl History::defaultUrl() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (folder.isEmpty() || !QDir().mkpath(folder)) folder = QDir::tempPath();
  return QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("History.json")));
}

void History::load() {
  QFile file(url_.toLocalFile());
  if (!file.exists()) return;
  if (!file.open(QIODevice::ReadOnly)) {
    fileUnreadable_ = true;
    return;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    fileUnreadable_ = true;
    return;
  }
  const nlohmann::json content = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (!content.is_array()) {
    fileUnreadable_ = true;
    return;
  }
  // One record a newer version wrote, or one damaged by hand, costs that record only;
  // the file keeps all of them once it is set aside.
  std::vector<CheckRecord> loaded;
  loaded.reserve(content.size());
  for (const nlohmann::json& element : content) {
    try {
      loaded.push_back(element.get<CheckRecord>());
    } catch (const std::exception&) {
      fileUnreadable_ = true;
    }
  }
  setRecords(std::move(loaded));
}

void History::setRecords(std::vector<CheckRecord> records) {
  if (records == records_) {
    records_ = std::move(records);
    return;
  }
  records_ = std::move(records);
  Q_EMIT recordsChanged();
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

void History::remove(const QUuid& id) {
  Q_ASSERT(QThread::currentThread() == thread());
  const auto removed = std::erase_if(records_, [&id](const CheckRecord& kept) { return kept.id == id; });
  if (removed > 0) Q_EMIT recordsChanged();
  save();
}

void History::save() {
  if (fileUnreadable_ && !setAsideUnreadableFile()) return;

  nlohmann::json content = nlohmann::json::array();
  try {
    for (const CheckRecord& record : records_) content.push_back(record);
  } catch (const EncodingError&) {
    return;
  }
  // A volume name that is not valid UTF-8 must not stop the save: it is written with
  // replacement characters.
  const std::string text = content.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';

  QSaveFile file(url_.toLocalFile());
  if (!file.open(QIODevice::WriteOnly)) return;
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
    file.cancelWriting();
    return;
  }
  file.commit();
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
