#include "session/records/History.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include "session/records/HistorySaver.hpp"
#include "session/records/UnreplaceableFolder.hpp"

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
  if (url_.isEmpty()) {
    loaded_ = true;
    return;
  }
  // The history outlives its saver, which the destructor joins before anything goes.
  saver_ = std::make_unique<HistorySaver>(
      url_.toLocalFile(),
      [this](HistorySaver::Loaded loaded) {
        QMetaObject::invokeMethod(
            this, [this, loaded = std::move(loaded)]() mutable { applyLoaded(std::move(loaded)); }, Qt::QueuedConnection);
      },
      [this](HistorySaver::Saved saved) {
        QMetaObject::invokeMethod(
            this, [this, saved = std::move(saved)]() mutable { applySaved(std::move(saved)); }, Qt::QueuedConnection);
      });
}

History::~History() {
  // Every save asked for is written before the records go.
  saver_.reset();
}

QString History::loadNotice(historyfile::Trouble trouble) {
  switch (trouble) {
    case historyfile::Trouble::none:
      return {};
    case historyfile::Trouble::unreadable:
      return tr("Some checks in the history file could not be read, so they are not shown. "
                "The file is kept, and set aside under a new name when the next check is saved.");
    case historyfile::Trouble::tooLarge:
      return tr("The history file is too large to be read, so no checks are shown. "
                "The file is kept, and set aside under a new name when the next check is saved.");
    case historyfile::Trouble::notAFile:
      return tr("The history’s place holds something that is not a file, so the history was not read from it, "
                "and it is left as it is. Checks are kept until Tessorin quits; move it away to have them saved.");
    case historyfile::Trouble::othersFile:
      return tr("The history file is not yours, so the history was not read from it or saved to it, and it is left "
                "as it is. Checks are kept until Tessorin quits; move it away to have them saved.");
    case historyfile::Trouble::othersLink:
      return tr("The history file is a link that is not yours, so the history was not read from it or saved to it, "
                "and it is left as it is. Checks are kept until Tessorin quits; move it away to have them saved.");
    case historyfile::Trouble::othersMayChange:
      return tr("Other users may change the history file or a folder on the way to it, so the history was not read "
                "from it or saved to it, and it is left as it is. Checks are kept until Tessorin quits; let no one "
                "else write there to have them saved.");
  }
  return {};
}

QUrl History::defaultUrl() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  // Made as the settings' folders are, so that a shared group's umask leaves no folder of
  // them open to others, which would keep the history from being read or saved there.
  if (!folder.isEmpty()) UnreplaceableFolder::makeMissing(folder);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
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
  records_.push_front(record);
  Q_EMIT recordsChanged();
  send({HistoryChange::Kind::add, std::move(record), {}});
}

void History::update(const CheckRecord& record) {
  Q_ASSERT(QThread::currentThread() == thread());
  const auto found =
      std::find_if(records_.begin(), records_.end(), [&record](const CheckRecord& kept) { return kept.id == record.id; });
  if (found == records_.end()) return;
  const bool changed = !(*found == record);
  *found = record;
  if (changed) Q_EMIT recordsChanged();
  send({HistoryChange::Kind::update, record, {}});
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
  const auto removed = std::erase_if(records_, [&id](const CheckRecord& kept) { return kept.id == id; });
  if (removed > 0) Q_EMIT recordsChanged();
  send({HistoryChange::Kind::remove, {}, id});
}

void History::save() {
  Q_ASSERT(QThread::currentThread() == thread());
  send({});
}

void History::send(HistoryChange change) {
  if (!saver_) {
    return setSaveError({tr("The history has no folder to be saved in; checks are kept until Tessorin quits."), {}});
  }
  unsaved_.emplace_back(++lastChange_, change);
  saver_->change(lastChange_, std::move(change));
}

void History::replaceRecords(CheckRecords records, std::uint64_t through) {
  std::set<QUuid> removedHere;
  for (const auto& [number, change] : unsaved_) {
    if (number > through) change.applyTo(records, removedHere);
  }
  std::swap(records_, records);
  // Freeing a long list costs more than the window may spend.
  saver_->discard(std::move(records));
  Q_EMIT recordsChanged();
}

void History::applyLoaded(HistorySaver::Loaded loaded) {
  // Read before any change was taken in: every change made meanwhile is applied again.
  if (!loaded.records.empty()) replaceRecords(std::move(loaded.records), 0);
  loaded_ = true;
  Q_EMIT loadedChanged();
  // The file, or what another user may change, is named behind the banner's button, never
  // in its words.
  const QString named = loaded.refused.isEmpty() ? url_.toLocalFile() : loaded.refused;
  setNotice(loadNotice(loaded.trouble),
            loaded.trouble == historyfile::Trouble::none ? QString() : QDir::toNativeSeparators(named));
}

void History::applySaved(HistorySaver::Saved saved) {
  while (!unsaved_.empty() && unsaved_.front().first <= saved.through) unsaved_.pop_front();
  historyfile::SaveResult& result = saved.result;
  if (result.withOthers) replaceRecords(std::move(*result.withOthers), saved.through);
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
