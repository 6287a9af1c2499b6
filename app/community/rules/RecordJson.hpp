#pragma once
// RecordJson: how a Record travels as JSON between a record store and the community
// server, and how a whole query page does:
//   {"recordType": "StoreReport", "recordName": "…", "created": <µs since 1970, UTC>,
//    "creator": "…", "fields": {"store": {"text": "…"}, "advertisedBytes": {"int64": 5},
//                               "price": {"double": 9.5}, "report": {"reference": "…"}}}
//   page: {"records": [record, …], "cursor": "…"}   (cursor only when more follow)
//   error: {"code": 11, "message": "…"}
// System fields are written only when present. Reading is strict: a record with a field
// of no known type, or a value of the wrong JSON type, throws RecordFormatError. Pure
// functions, callable from any thread.

#include <cstdint>
#include <stdexcept>

#include <QDateTime>
#include <nlohmann/json.hpp>

#include "community/rules/Record.hpp"

namespace tessorin {

struct RecordFormatError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

nlohmann::json recordToJson(const Record& record);
Record recordFromJson(const nlohmann::json& json);

nlohmann::json fieldsToJson(const std::map<QString, RecordValue>& fields);
std::map<QString, RecordValue> fieldsFromJson(const nlohmann::json& json);

std::int64_t microsecondsSinceEpoch(const QDateTime& date);
QDateTime dateFromMicroseconds(std::int64_t microseconds);

}  // namespace tessorin
