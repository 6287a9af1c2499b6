#include "community/store/LocalRecordStore.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>

#include "community/store/CommunityAccount.hpp"
#include "community/store/LocalRecordDatabase.hpp"
#include "community/store/LocalRecordFile.hpp"

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

QString keptForTheRunNotice(OwnFile::Kind kind) {
  switch (kind) {
    case OwnFile::Kind::othersFile:
      return QCoreApplication::translate(
          "LocalRecordStore",
          "The community records file on this computer is not yours, so the records were not read from it or saved "
          "to it, and it is left as it is. Records are kept until Tessorin quits; move it away to have them saved.");
    case OwnFile::Kind::othersLink:
      return QCoreApplication::translate(
          "LocalRecordStore",
          "The community records file on this computer is a link that is not yours, so the records were not read "
          "from it or saved to it, and it is left as it is. Records are kept until Tessorin quits; move it away to "
          "have them saved.");
    default:
      return QCoreApplication::translate(
          "LocalRecordStore",
          "Other users may change the community records file on this computer or a folder on the way to it, so the "
          "records were not read from it or saved to it, and it is left as it is. Records are kept until Tessorin "
          "quits; let no one else write there to have them saved.");
  }
}

}  // namespace

LocalRecordStore::LocalRecordStore(QSettings& settings, const QString& path)
    : settings_(settings), file_(std::make_shared<LocalRecordFile>(path)) {
  thread_.setMaxThreadCount(1);
  thread_.setExpiryTimeout(-1);
  thread_.setObjectName(QStringLiteral("Community.sqlite"));
  // Opened at once, so that a damaged file is set aside before anything is shown. Opening
  // a local file is quick; one another installation is making takes a moment at most.
  auto opened = runOn<bool>(thread_, [file = file_] { return file->use([](LocalRecordDatabase&) { return true; }); });
  auto outcome = opened.result();
  if (auto* error = std::get_if<RecordStoreError>(&outcome)) openError_ = error->description;
}

LocalRecordStore::~LocalRecordStore() { thread_.waitForDone(); }

QCoro::Task<QueryPage> LocalRecordStore::query(RecordQuery query) {
  QFuture<Outcome<QueryPage>> future = runOn<QueryPage>(thread_, [file = file_, query = std::move(query)] {
    return file->use([&](LocalRecordDatabase& database) { return database.query(query); });
  });
  Outcome<QueryPage> outcome = co_await future;
  co_return valueOf(std::move(outcome));
}

QCoro::Task<std::optional<Record>> LocalRecordStore::save(Record record) {
  const QString author = CommunityAccount::local(settings_).author;
  QFuture<Outcome<Record>> future = runOn<Record>(thread_, [file = file_, record = std::move(record), author] {
    return file->use([&](LocalRecordDatabase& database) { return database.save(record, author); });
  });
  Outcome<Record> outcome = co_await future;
  co_return std::optional<Record>(valueOf(std::move(outcome)));
}

std::optional<RecordStoreNotice> LocalRecordStore::takeNotice() {
  if (const std::optional<QString> passedOver = file_->takePassedOver()) {
    return RecordStoreNotice{QCoreApplication::translate("LocalRecordStore",
                                                         "The community records on this computer could not be read: "
                                                         "their place holds something that is not a file, and it is "
                                                         "left as it is. Move it away to have them kept."),
                             QDir::toNativeSeparators(*passedOver)};
  }
  if (const std::optional<LocalRecordFile::KeptForTheRun> kept = file_->takeKeptForTheRun()) {
    return RecordStoreNotice{keptForTheRunNotice(kept->kind), QDir::toNativeSeparators(kept->refused)};
  }
  const std::optional<QString> setAside = file_->takeSetAside();
  if (!setAside) return std::nullopt;
  return RecordStoreNotice{QCoreApplication::translate("LocalRecordStore",
                                                       "The community records on this computer were damaged. They "
                                                       "were kept aside in their folder, and a new, empty file was "
                                                       "made."),
                           QDir::toNativeSeparators(*setAside)};
}

QCoro::Task<AccountStatus> LocalRecordStore::accountStatus() {
  CommunityAccount::local(settings_);
  co_return AccountStatus::available;
}

}  // namespace tessorin
