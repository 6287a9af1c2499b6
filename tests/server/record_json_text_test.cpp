// The server reads a saved record and writes its answer as JSON text, without a JSON tree:
// it must read every body exactly as the record stores' tree reader does, refuse what
// that refuses (and a key given twice, which a tree would silently take the last of), and
// write what the stores read back as the same record.

#include <limits>

#include <gtest/gtest.h>

#include "RecordJsonText.hpp"
#include "community/rules/RecordJson.hpp"

namespace tessorin {
namespace {

using server::recordFromJsonText;
using server::recordJsonText;

Record everyKindOfValue() {
  Record record;
  record.recordType = QStringLiteral("StoreReport");
  record.recordName = QStringLiteral("0A3F2C1B-0000-4000-8000-000000000001");
  record.fields = {{QStringLiteral("store"), QStringLiteral("Loja \"Ünica\" \\ \n\U0001F600")},
                   {QStringLiteral("largest"), std::numeric_limits<std::int64_t>::max()},
                   {QStringLiteral("smallest"), std::numeric_limits<std::int64_t>::min()},
                   {QStringLiteral("price"), 0.1},
                   {QStringLiteral("tiny"), 5e-324},
                   {QStringLiteral("whole"), 10.0},
                   {QStringLiteral("report"), RecordReference{QStringLiteral("B")}}};
  record.creationDate = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC);
  record.creator = QStringLiteral("AUTHOR");
  return record;
}

TEST(RecordJsonText, WritesWhatBothReadersReadBackAsTheSameRecord) {
  Record record = everyKindOfValue();
  for (int withSystemFields = 0; withSystemFields < 2; ++withSystemFields) {
    const std::string text = recordJsonText(record);
    EXPECT_EQ(recordFromJson(nlohmann::json::parse(text)), record) << text;
    EXPECT_EQ(recordFromJsonText(text), record) << text;
    EXPECT_TRUE(std::holds_alternative<double>(recordFromJsonText(text).fields.at(QStringLiteral("whole"))));
    record.creationDate.reset();
    record.creator.reset();
  }
}

TEST(RecordJsonText, ReadsEveryBodyAsTheTreeReaderDoes) {
  const char* bodies[] = {
      R"({"recordType":"StoreReport","recordName":"A","fields":{}})",
      R"( { "fields" : { "n" : { "int64" : -5 } , "d" : { "double" : 7 } } ,
            "recordName" : "A\u00e9\ud83d\ude00" , "recordType" : "StoreReport" } )",
      R"({"recordType":"StoreReport","recordName":"A","fields":{"big":{"int64":9223372036854775807},
          "u":{"double":18446744073709551615},"r":{"reference":"R"}},"created":-1500,"creator":"X"})",
      // What the record does not know is passed over, however deep.
      R"({"recordType":"StoreReport","extra":{"a":[1,{"b":[[],{}]},null,true]},"recordName":"A",
          "more":[{"fields":{"x":{"text":"not this"}}}],"fields":{"s":{"text":"this"}},"last":null})",
  };
  for (const char* body : bodies) {
    EXPECT_EQ(recordFromJsonText(body), recordFromJson(nlohmann::json::parse(body))) << body;
  }
}

TEST(RecordJsonText, RefusesWhatTheTreeReaderRefusesAndWhatIsNotJson) {
  const char* refusedByBoth[] = {
      R"([])",
      R"("text")",
      R"({"recordName": "A", "fields": {}})",
      R"({"recordType": "StoreReport", "recordName": "A"})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": []})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"store": "plain"}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"store": {}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"store": {"blob": "x"}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"store": {"text": ["x"]}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"n": {"int64": 1.5}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"n": {"int64": 9223372036854775808}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"n": {"text": "a", "int64": 1}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"n": {"double": "1"}}})",
      R"({"recordType": "StoreReport", "recordName": 5, "fields": {}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {}, "created": "yesterday"})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {}, "created": 1.5})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {}, "creator": {}})",
  };
  for (const char* body : refusedByBoth) {
    EXPECT_THROW(recordFromJson(nlohmann::json::parse(body)), RecordFormatError) << body;
    EXPECT_THROW(recordFromJsonText(body), RecordFormatError) << body;
  }
  const char* refusedHere[] = {
      "",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {}} {})",
      "{\"recordType\": \"StoreReport\", \"recordName\": \"\xff\", \"fields\": {}}",
      R"({"recordType": "StoreReport", "recordName": "A", "recordName": "B", "fields": {}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"n": {"text": "a"}, "n": {"text": "b"}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {"n": {"text": "a", "text": "b"}}})",
      R"({"recordType": "StoreReport", "recordName": "A", "fields": {}, "fields": {"n": {"text": "a"}}})",
  };
  for (const char* body : refusedHere) EXPECT_THROW(recordFromJsonText(body), RecordFormatError) << body;
}

}  // namespace
}  // namespace tessorin
