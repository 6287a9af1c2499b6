#pragma once
// LocalRecordStore: the community's records kept on this computer, in "Community.sqlite"
// beside the history (SQLite, write-ahead log, a schema version). Without a community
// server the user's own reports and flags are shared, listed and moderated here. Every
// record is checked by the same validator as on the server before it is written; the
// creation time and the creator are set here, the creator being this installation's
// local author identity.
//
// The file heals (LocalRecordFile): a damaged one is set aside and a new one made, which
// takeNotice() tells once; one that cannot be written fails each operation with the
// reason, and is tried again on the next. Where another user may have put the file there
// or may change it, the records are kept in memory until the application quits, which
// takeNotice() tells once too. A copy of the application can always keep its
// records here, so the store is always usable.
//
// The object belongs to the main thread; the database is used on a thread of its own,
// one job at a time, and each operation resumes its coroutine on the main thread.
// Destroying the store waits for the job under way.

#include <memory>

#include <QSettings>
#include <QString>
#include <QThreadPool>

#include "community/store/RecordStore.hpp"

namespace tessorin {

class LocalRecordFile;

class LocalRecordStore final : public RecordStore {
 public:
  // Opens or makes the file at path (and its folder); settings keeps the author identity
  // and must outlive the store.
  LocalRecordStore(QSettings& settings, const QString& path);
  ~LocalRecordStore() override;

  bool isUsable() const override { return true; }
  QCoro::Task<QueryPage> query(RecordQuery query) override;
  QCoro::Task<std::optional<Record>> save(Record record) override;
  QCoro::Task<AccountStatus> accountStatus() override;
  std::optional<RecordStoreNotice> takeNotice() override;

  // Why the file could not be used when the store was made ("" when it could).
  const QString& openError() const { return openError_; }

 private:
  QSettings& settings_;
  QThreadPool thread_;
  std::shared_ptr<LocalRecordFile> file_;
  QString openError_;
};

}  // namespace tessorin
