#pragma once
// History: every finished check, newest first, kept in History.json (a JSON array of
// check records, pretty-printed, keys sorted). The file is read once, when the object is
// made, and rewritten atomically after every add, update and remove, so a crash leaves
// the old file or the new one, never a mix. A file that cannot be read or decoded in
// full is moved aside before the first save, never overwritten.
//
// Lives on the main thread: every operation, the file read and every save run there,
// synchronously. `recordsChanged` is emitted only when the records really change.

#include <optional>
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

 public:
  // Loads the file at url; a missing file is an empty history, and nothing is written.
  explicit History(QUrl url, QObject* parent = nullptr);

  // "History.json" in the application's data folder, made when missing, or in the
  // temporary folder when that folder cannot be had.
  static QUrl defaultUrl();

  const std::vector<CheckRecord>& records() const { return records_; }
  const QUrl& url() const { return url_; }

  // Puts the record in front of all others, then saves.
  void add(CheckRecord record);
  // Replaces the first record with the same id, in place, then saves; without one
  // nothing changes and nothing is written.
  void update(const CheckRecord& record);
  // Removes every record with this id, then saves, even when none matched.
  void remove(const QUuid& id);
  // Writes all records; a record that cannot be encoded or a failed write leaves the
  // file as it was and is not reported.
  void save();

 Q_SIGNALS:
  void recordsChanged();

 private:
  void load();
  void setRecords(std::vector<CheckRecord> records);
  // Renames an unreadable file out of the way; false when it is still in the way.
  bool setAsideUnreadableFile();

  QUrl url_;
  std::vector<CheckRecord> records_;
  // The file on disk holds data this history could not load.
  bool fileUnreadable_ = false;
};

}  // namespace tessorin
