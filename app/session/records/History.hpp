#pragma once
// History: every finished check, newest first, kept in History.json (a JSON array of
// check records, pretty-printed, keys sorted). Read when the object is made, and
// rewritten atomically after every add, update and remove, so a crash leaves the old file
// or the new one, never a mix. A file that cannot be read or decoded in full is moved
// aside before the next save, never overwritten.
//
// Several processes may share the file: each save holds a lock file beside it, reads the
// file again and keeps every record another process wrote there (merged by id, newest
// first), so no process drops another's record. A record this object removed stays
// removed.
//
// Lives on the main thread: every operation, the file reads and every save run there,
// synchronously. `recordsChanged` is emitted only when the records really change;
// `saveError` says why the last save did not write every record (empty when it did).

#include <set>
#include <string>
#include <vector>

#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include "session/records/CheckRecord.hpp"

namespace tessorin {

class History : public QObject {
  Q_OBJECT
  Q_PROPERTY(std::vector<tessorin::CheckRecord> records READ records NOTIFY recordsChanged)
  Q_PROPERTY(QString saveError READ saveError NOTIFY saveErrorChanged)

 public:
  // Loads the file at url; a missing file is an empty history, and nothing is written.
  // An empty url keeps the history in memory only, and every save says so.
  explicit History(QUrl url, QObject* parent = nullptr);

  // "History.json" in the application's data folder, made when missing; else in a folder
  // only this user can enter (the session's runtime folder, else the cache), never in a
  // folder other users share. Empty when none can be had.
  static QUrl defaultUrl();

  const std::vector<CheckRecord>& records() const { return records_; }
  const QUrl& url() const { return url_; }
  const QString& saveError() const { return saveError_; }

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
  // Writes every record that can be written, together with those another process saved
  // meanwhile. A record that cannot be encoded is left out of the file (it stays in
  // memory); that, a lock that cannot be had or a failed write sets `saveError`.
  void save();

 Q_SIGNALS:
  void recordsChanged();
  void saveErrorChanged();

 private:
  struct FileContent {
    std::vector<CheckRecord> records;
    bool unreadable = false;  // some or all of the file could not be decoded
  };

  void load();
  FileContent readFile() const;
  void setRecords(std::vector<CheckRecord> records);
  void setSaveError(QString error);
  // Adds the records another process saved; leaves out those removed here.
  std::vector<CheckRecord> mergedWith(const std::vector<CheckRecord>& stored) const;
  // Renames an unreadable file out of the way; false when it is still in the way.
  bool setAsideUnreadableFile();

  QUrl url_;
  std::vector<CheckRecord> records_;
  std::set<QUuid> removedHere_;
  QString saveError_;
  // The file on disk holds data this history could not load.
  bool fileUnreadable_ = false;
};

}  // namespace tessorin
