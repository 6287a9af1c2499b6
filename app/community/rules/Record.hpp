#pragma once
// Record: one record of the community's record store, as the store reports and their
// flags travel between the community store, a record store and the community server: a
// type, a name, typed fields (text, 64-bit integer, double, reference to another record's
// name), and the system fields that only the back end sets, the creation time and the
// creator's author name. A plain value, safe to copy to any thread.

#include <cstdint>
#include <map>
#include <optional>
#include <variant>

#include <QDateTime>
#include <QString>

namespace tessorin {

struct RecordReference {
  QString recordName;
  friend bool operator==(const RecordReference&, const RecordReference&) = default;
};

using RecordValue = std::variant<QString, std::int64_t, double, RecordReference>;

struct Record {
  QString recordType;
  QString recordName;
  std::map<QString, RecordValue> fields;
  // Set by the back end when it stores the record, never by the client.
  std::optional<QDateTime> creationDate;
  std::optional<QString> creator;

  // The field at key when it holds that type, else nothing.
  std::optional<QString> text(const QString& key) const;
  std::optional<std::int64_t> integer(const QString& key) const;
  std::optional<double> number(const QString& key) const;  // a double, or an integer widened
  std::optional<RecordReference> reference(const QString& key) const;

  friend bool operator==(const Record&, const Record&) = default;
};

// The codes of record-store failures, shared by the client and the server.
enum class RecordErrorCode : int {
  internalError = 1,
  networkFailure = 4,
  requestRateLimited = 7,
  notAuthenticated = 9,
  unknownItem = 11,  // the record type, or the record a flag names, does not exist
  invalidArguments = 12,
  serverRecordChanged = 14,  // a record of that name exists already
  serverRejectedRequest = 15,
  limitExceeded = 27,  // a request or reply too large
};

}  // namespace tessorin
