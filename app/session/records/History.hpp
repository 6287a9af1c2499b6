#pragma once
// History: every finished check, newest first, kept in History.json (a JSON array of
// check records, pretty-printed, keys sorted). Read once, when the object is made, and
// rewritten atomically after every add, update and remove, so a crash leaves the old file
// or the new one, never a mix. A file that cannot be read or decoded in full, or that is
// too large to read, is moved aside before the next save, never overwritten; what is not
// a regular file (a FIFO, a device) is neither read, moved nor written over. Only the
// user's own file is read and saved, where no other user can change it (OwnFile): what
// another user may have put there or may change is left as it is, and the history kept
// for the run alone.
//
// Several processes may share the file: each save holds a lock file beside it, reads the
// file again unless it is still the one this history wrote, and keeps every record
// another process wrote there (merged by id, newest first), so no process drops
// another's record. A record this object removed stays removed.
//
// Lives on the main thread: every operation runs there and changes the records at once.
// The file is read by the history's own saver thread, so that the window shows while a
// long history loads: the records are filled in when it is read (`loaded`), after those
// added meanwhile. Every change is sent to the saver, which keeps a copy of the records
// of its own and writes them in order; its outcome is applied back on the main thread,
// at a cost that does not grow with the history. Destroying the object writes every save
// still waiting. `recordsChanged` is emitted only when the records really change;
// `saveError` says why the last save did not write every record (empty when it did);
// `notice` is what the user is to be told once about the file itself (one that could not
// be read, and was set aside or left alone, or what others may change).

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>

#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include "session/records/CheckRecord.hpp"
#include "session/records/HistoryChange.hpp"
#include "session/records/HistorySaver.hpp"

namespace tessorin {

class History : public QObject {
  Q_OBJECT
  Q_PROPERTY(tessorin::CheckRecords records READ records NOTIFY recordsChanged)
  // The file has been read and its records are among `records`.
  Q_PROPERTY(bool loaded READ loaded NOTIFY loadedChanged)
  Q_PROPERTY(QString saveError READ saveError NOTIFY saveErrorChanged)
  // The system's own words behind saveError; empty without them.
  Q_PROPERTY(QString saveErrorDetail READ saveErrorDetail NOTIFY saveErrorChanged)
  Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
  Q_PROPERTY(QString noticeFile READ noticeFile NOTIFY noticeChanged)

 public:
  // Starts reading the file at url; a missing file is an empty history, and nothing is
  // written. An empty url keeps the history in memory only, and every save says so.
  explicit History(QUrl url, QObject* parent = nullptr);
  ~History() override;

  // "History.json" in the application's data folder, made when missing; else in a folder
  // only this user can enter (the session's runtime folder, else the cache), never in a
  // folder other users share. Empty when none can be had.
  static QUrl defaultUrl();

  const CheckRecords& records() const { return records_; }
  bool loaded() const { return loaded_; }
  const QUrl& url() const { return url_; }
  const QString& saveError() const { return saveError_.message; }
  const QString& saveErrorDetail() const { return saveError_.detail; }
  const QString& notice() const { return notice_; }
  // The file the notice speaks of (the one set aside), a path the words leave out; "" when none.
  const QString& noticeFile() const { return noticeFile_; }
  // The user has read the notice: it is not shown again.
  Q_INVOKABLE void dismissNotice();
  // The user has read why the last save failed: it shows again only if a later save fails.
  Q_INVOKABLE void dismissSaveError();

  // Puts the record in front of all others, then saves.
  void add(CheckRecord record);
  // Replaces the first record with the same id, in place, then saves; without one
  // nothing changes and nothing is written.
  void update(const CheckRecord& record);
  // Stores the name under which the record with this id was shared, then saves; without
  // such a record nothing changes and nothing is written.
  void markShared(const QUuid& id, const std::string& sharedRecordName);
  // Removes every record with this id, then saves, even when none matched.
  void remove(const QUuid& id);
  // Has every record that can be written saved, together with those another process
  // saved meanwhile. A record that cannot be encoded is left out of the file (it stays in
  // memory); that, a lock that cannot be had or a failed write sets `saveError`.
  void save();
  // Blocks until the file is read and every save asked for so far is written, and their
  // outcomes applied. For quitting and tests: the window never waits on the file.
  void waitForSaves();

 Q_SIGNALS:
  void recordsChanged();
  void loadedChanged();
  void saveErrorChanged();
  void noticeChanged();

 private:
  void setSaveError(ErrorNotice error);
  void setNotice(QString notice, QString file = {});
  void send(HistoryChange change);
  void applyLoaded(HistorySaver::Loaded loaded);
  void applySaved(HistorySaver::Saved saved);
  // The records the saver sent (as of change `through`) with every later change applied,
  // in place of those shown.
  void replaceRecords(CheckRecords records, std::uint64_t through);
  // What the user is told at start of a file that was not read in full.
  static QString loadNotice(historyfile::Trouble trouble);

  QUrl url_;
  CheckRecords records_;
  bool loaded_ = false;
  ErrorNotice saveError_;
  QString notice_;
  QString noticeFile_;
  // The number of the last change sent, and the changes sent that no save has yet taken
  // in, to be applied again to records the saver sends.
  std::uint64_t lastChange_ = 0;
  std::deque<std::pair<std::uint64_t, HistoryChange>> unsaved_;
  // Null for a history kept in memory only.
  std::unique_ptr<HistorySaver> saver_;
};

}  // namespace tessorin
