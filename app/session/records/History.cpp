#include "session/records/History.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include "session/records/HistorySaver.hpp"

namespace tessorin {

namespace {

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

}  // namespace

History::History(QUrl url, QObject* parent) : QObject(parent), url_(std::move(url)) {
  historyfile::Content content = historyfile::read(url_.toLocalFile());
  fileUnreadable_ = content.unreadable;
  setRecords(std::move(content.records));
  // Loading leaves the file as it is (a newer version may have written what this one
  // cannot read); it is set aside only when something new is to be saved.
  if (fileUnreadable_) {
    setNotice(tr("Some checks in the history file could not be read, so they are not shown. "
                 "The file is kept, and set aside under a new name when the next check is saved."));
  }
}

History::~History() {
  // Every save asked for is written before the records go.
  saver_.reset();
}

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

void History::setRecords(std::vector<CheckRecord> records) {
  if (records == records_) {
    records_ = std::move(records);
    return;
  }
  records_ = std::move(records);
  Q_EMIT recordsChanged();
}

void History::setNotice(QString notice, QString file) {
  if (notice_ == notice && noticeFile_ == file) return;
  notice_ = std::move(notice);
  noticeFile_ = std::move(file);
  Q_EMIT noticeChanged();
}

void History::dismissNotice() { setNotice(QString()); }

void History::dismissSaveError() { setSaveError({}); }

void History::setSaveError(ErrorNotice error) {
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

void History::save() {
  Q_ASSERT(QThread::currentThread() == thread());
  if (url_.isEmpty()) {
    return setSaveError({tr("The history has no folder to be saved in; checks are kept until Tessorin quits."), {}});
  }
  if (!saver_) {
    saver_ = std::make_unique<HistorySaver>(fileUnreadable_, [this](historyfile::SaveResult result) {
      // The history outlives its saver, which the destructor joins before anything goes.
      QMetaObject::invokeMethod(
          this, [this, result = std::move(result)] { applySaved(result); }, Qt::QueuedConnection);
    });
  }
  saver_->save({url_.toLocalFile(), records_, removedHere_, false});
}

void History::applySaved(const historyfile::SaveResult& result) {
  setRecords(historyfile::merged(records_, removedHere_, result.stored));
  if (!result.setAsideAs.isEmpty()) {
    setNotice(tr("Some checks in the history file could not be read. The file was kept aside in its folder, and "
                 "the history goes on in a new file."),
              QDir::toNativeSeparators(result.setAsideAs));
  }
  setSaveError(result.error);
}

void History::waitForSaves() {
  Q_ASSERT(QThread::currentThread() == thread());
  if (!saver_) return;
  saver_->waitUntilIdle();
  // The outcomes were posted to this thread; they are applied now, in order.
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

}  // namespace tessorin
