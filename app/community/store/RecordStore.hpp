#pragma once
// RecordStore: the database the community's records live in, behind one interface with
// two back ends (LocalRecordStore: a SQLite file on this computer; ServerRecordStore: the
// community server). It queries one record type, newest first or unsorted, a page at a
// time continued from an opaque cursor, with a result per record; saves one record and
// gives it back with the system fields the back end set; and tells whether this
// installation has an account with the back end.
//
// Used from the main thread only. Operations are coroutines that resume there; failures
// of a whole request are thrown as RecordStoreError. A store must outlive the coroutines
// awaiting it.

#include <exception>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <QString>
#include <qcoro/qcorotask.h>

#include "community/rules/Record.hpp"

namespace tessorin {

struct RecordStoreError : std::exception {
  RecordStoreError(RecordErrorCode code, QString description)
      : code(code), description(std::move(description)), utf8_(this->description.toStdString()) {}
  RecordStoreError(int code, QString description)
      : RecordStoreError(static_cast<RecordErrorCode>(code), std::move(description)) {}
  const char* what() const noexcept override { return utf8_.c_str(); }

  RecordErrorCode code;
  QString description;

 private:
  std::string utf8_;
};

struct RecordQuery {
  QString recordType;
  bool newestFirst = false;
  int limit = 100;
  // From an earlier page: go on after its last record.
  std::optional<QString> cursor;
};

// A record, or why this one record could not be had.
using RecordResult = std::variant<Record, RecordStoreError>;

struct QueryPage {
  std::vector<RecordResult> results;
  std::optional<QString> cursor;  // present when more records follow
};

enum class AccountStatus { available, noAccount };

// What the user is to be told about the store: in words, and the file it speaks of (a
// path the words leave out, for the user to be shown it in the file manager).
struct RecordStoreNotice {
  QString text;
  QString file;
  friend bool operator==(const RecordStoreNotice&, const RecordStoreNotice&) = default;
};

class RecordStore {
 public:
  virtual ~RecordStore() = default;

  // Whether the back end can be used at all, decided once when it is made, without
  // touching the network.
  virtual bool isUsable() const = 0;
  virtual QCoro::Task<QueryPage> query(RecordQuery query) = 0;
  // The record as stored, with its creation date and creator; nothing when the back end
  // answered without a record.
  virtual QCoro::Task<std::optional<Record>> save(Record record) = 0;
  virtual QCoro::Task<AccountStatus> accountStatus() = 0;
  // Something the user is to be told once about the store itself (a damaged file that
  // was set aside); nothing most of the time.
  virtual std::optional<RecordStoreNotice> takeNotice() { return std::nullopt; }
};

}  // namespace tessorin
