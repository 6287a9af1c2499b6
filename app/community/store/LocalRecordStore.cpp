#include "community/store/LocalRecordStore.hpp"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>

#include "community/store/CommunityAccount.hpp"
#include "community/store/LocalRecordDatabase.hpp"

namespace tessorin {

namespace {

template <class T>
using Outcome = std::variant<T, RecordStoreError>;

// Runs job on the store's thread; a RecordStoreError it throws comes back as a value, so
// that it can be thrown again on the main thread.
template <class T, class Job>
QFuture<Outcome<T>> runOn(QThreadPool& thread, Job job) {
  return QtConcurrent::run(&thread, [job = std::move(job)]() -> Outcome<T> {
    try {
      return job();
    } catch (const RecordStoreError& error) {
      return error;
    } catch (const std::exception& error) {
      return RecordStoreError(RecordErrorCode::internalError, QString::fromUtf8(error.what()));
    }
  });
}

template <class T>
T valueOf(Outcome<T> outcome) {
  if (auto* error = std::get_if<RecordStoreError>(&outcome)) throw *error;
  return std::get<T>(std::move(outcome));
}

RecordStoreError unusable() {
  return {RecordErrorCode::internalError, QStringLiteral("The community records on this computer cannot be opened.")};
}

}  // namespace

LocalRecordStore::LocalRecordStore(QSettings& settings, const QString& path) : settings_(settings) {
  thread_.setMaxThreadCount(1);
  thread_.setExpiryTimeout(-1);
  thread_.setObjectName(QStringLiteral("Community.sqlite"));
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFuture<Outcome<std::shared_ptr<LocalRecordDatabase>>> opened =
      runOn<std::shared_ptr<LocalRecordDatabase>>(thread_, [path] { return std::make_shared<LocalRecordDatabase>(path); });
  // Opening a local file is quick, and whether the community can be used must be known
  // as soon as the store exists.
  auto outcome = opened.result();
  if (auto* database = std::get_if<std::shared_ptr<LocalRecordDatabase>>(&outcome)) {
    database_ = std::move(*database);
  } else {
    openError_ = std::get<RecordStoreError>(outcome).description;
  }
}

LocalRecordStore::~LocalRecordStore() { thread_.waitForDone(); }

QCoro::Task<QueryPage> LocalRecordStore::query(RecordQuery query) {
  if (!database_) throw unusable();
  QFuture<Outcome<QueryPage>> future =
      runOn<QueryPage>(thread_, [database = database_, query = std::move(query)] { return database->query(query); });
  Outcome<QueryPage> outcome = co_await future;
  co_return valueOf(std::move(outcome));
}

QCoro::Task<std::optional<Record>> LocalRecordStore::save(Record record) {
  if (!database_) throw unusable();
  const QString author = CommunityAccount::local(settings_).author;
  QFuture<Outcome<Record>> future = runOn<Record>(
      thread_, [database = database_, record = std::move(record), author] { return database->save(record, author); });
  Outcome<Record> outcome = co_await future;
  co_return std::optional<Record>(valueOf(std::move(outcome)));
}

QCoro::Task<AccountStatus> LocalRecordStore::accountStatus() {
  if (!database_) co_return AccountStatus::noAccount;
  CommunityAccount::local(settings_);
  co_return AccountStatus::available;
}

}  // namespace tessorin
