// Records travel between a record store and the server as JSON: every value type comes
// back as it went, 64-bit integers stay exact, and a record of unknown shape is refused
// rather than half read.

#include <limits>

#include <gtest/gtest.h>

#include "community/rules/RecordJson.hpp"

namespace tessorin {
namespace {

TEST(RecordJson, EveryValueTypeComesBackAsItWent) {
  Record record;
  record.recordType = QStringLiteral("StoreReport");
  record.recordName = QStringLiteral("0A3F2C1B-0000-4000-8000-000000000001");
  record.fields = {{QStringLiteral("store"), QStringLiteral("Loja Ünica \U0001F600")},
                   {QStringLiteral("largest"), std::numeric_limits<std::int64_t>::max()},
                   {QStringLiteral("smallest"), std::numeric_limits<std::int64_t>::min()},
                   {QStringLiteral("price"), 0.1},
                   {QStringLiteral("whole"), 10.0},
                   {QStringLiteral("report"), RecordReference{QStringLiteral("B")}}};
  record.creationDate = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC);
  record.creator = QStringLiteral("AUTHOR");
  const Record read = recordFromJson(nlohmann::json::parse(recordToJson(record).dump()));
  EXPECT_EQ(read, record);
  EXPECT_TRUE(std::holds_alternative<double>(read.fields.at(QStringLiteral("whole"))));

  Record bare = record;
  bare.creationDate.reset();
  bare.creator.reset();
  EXPECT_EQ(recordFromJson(recordToJson(bare)), bare);
}

TEST(RecordJson, RefusesWhatItCannotReadWhole) {
  const char* bodies[] = {
      R"([])",
      R"({"recordName": "A", "fields": {}})",
      R"({"recordType": "StoreReport", "recordName": "A"})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"store": "plain"}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"store": {"blob": "x"}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"n": {"int64": 1.5}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"n": {"int64": 9223372036854775808}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"n": {"text": "a", "int64": 1}}})",
      R"({"recordType": "StoreReport", "recordName": 5, "fields": {}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {}, "created": "yesterday"})",
  };
  for (const char* body : bodies) {
    EXPECT_THROW(recordFromJson(nlohmann::json::parse(body)), RecordFormatError) << body;
  }
}

}  // namespace
}  // namespace tessorin
