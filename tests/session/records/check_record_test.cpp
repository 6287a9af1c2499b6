#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <QLocale>
#include <gtest/gtest.h>

#include "session/records/CheckOutcome.hpp"
#include "session/records/CheckRecord.hpp"
#include "session/records/JsonFields.hpp"

namespace tessorin {
namespace {

using nlohmann::json;

CheckRecord minimalRecord() {
  CheckRecord record;
  record.date = QDateTime(QDate(2024, 5, 1), QTime(9, 30), Qt::UTC);
  record.cardName = "NO NAME";
  record.advertisedBytes = 64'000'000'000;
  return record;
}

CheckRecord fullRecord() {
  CheckRecord record = minimalRecord();
  record.realBytes = 7'900'000'000;
  record.verdict = CheckOutcome::Verdict::fake;
  record.method = CheckOutcome::Method::full;
  record.brand = Brand::other;
  record.brandName = "Generic Ultra";
  record.manufacturerID = 0xFF;
  record.oemID = "SD";
  record.productName = "SD64G";
  record.serial = "0A1B2C3D";
  record.testedBytes = std::numeric_limits<std::uint64_t>::max();
  record.writeSpeed = 12'345'678.5;
  record.readSpeed = 0;
  record.purchase = Purchase();
  record.purchase->platform = Platform::kabum;
  record.purchase->price = 19.9;
  record.sharedRecordName = "report-1";
  return record;
}

TEST(CheckRecordCoding, RoundTripKeepsEveryFieldAndAbsentFieldsHaveNoKey) {
  for (const CheckRecord& record : {minimalRecord(), fullRecord()}) {
    const CheckRecord decoded = json::parse(json(record).dump()).get<CheckRecord>();
    EXPECT_EQ(decoded, record);
    EXPECT_EQ(std::hash<CheckRecord>{}(decoded), std::hash<CheckRecord>{}(record));
  }
  const json minimal = minimalRecord();
  std::vector<std::string> keys;
  for (const auto& item : minimal.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"advertisedBytes", "cardName", "date", "id", "method", "verdict"}));

  CheckRecord priceless = fullRecord();
  priceless.purchase->price.reset();
  EXPECT_FALSE(json(priceless)["purchase"].contains("price"));
}

TEST(CheckRecordCoding, NonFiniteSpeedsAndPriceAreWrittenAsAbsentNotNull) {
  CheckRecord record = fullRecord();
  record.writeSpeed = std::nan("");
  record.readSpeed = std::numeric_limits<double>::infinity();
  record.purchase->price = -std::numeric_limits<double>::infinity();
  const json encoded = record;
  EXPECT_FALSE(encoded.contains("writeSpeed") || encoded.contains("readSpeed") || encoded["purchase"].contains("price"));
  EXPECT_EQ(encoded.dump().find("null"), std::string::npos);
}

TEST(CheckRecordCoding, IdIsUpperCaseAndDateIsWholeSecondsInUtc) {
  CheckRecord record = minimalRecord();
  record.id = QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
  record.date = QDateTime(QDate(2024, 5, 1), QTime(11, 30, 0, 750), Qt::OffsetFromUTC, 2 * 3600);
  const json encoded = record;
  EXPECT_EQ(encoded["id"], "0F8FAD5B-D9CB-469F-A165-70867728950E");
  EXPECT_EQ(encoded["date"], "2024-05-01T09:30:00Z");
  EXPECT_NE(encoded.get<CheckRecord>(), record) << "the fraction of a second came back";
}

json handWritten() {
  return json::parse(R"({
    "id": "0f8fad5b-d9cb-469f-a165-70867728950e", "date": "2024-05-01T11:30:00+02:00",
    "cardName": "CARD", "advertisedBytes": 1000, "verdict": "damaged", "method": "full",
    "realBytes": null, "brand": "siliconPower", "manufacturerID": 255, "writeSpeed": 7,
    "futureField": {"nested": true},
    "purchase": {"store": "", "platform": "physicalStore", "country": "", "city": "", "currency": "EUR"}
  })");
}

TEST(CheckRecordCoding, ReadsHandWrittenJsonWithNullsUnknownKeysAndOffsets) {
  const CheckRecord record = handWritten().get<CheckRecord>();
  EXPECT_EQ(record.id, QUuid::fromString(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E")));
  EXPECT_EQ(record.date, QDateTime(QDate(2024, 5, 1), QTime(9, 30), Qt::UTC));
  EXPECT_EQ(record.realBytes, std::nullopt);
  EXPECT_EQ(record.manufacturerID, 255);
  EXPECT_EQ(record.purchase->price, std::nullopt);
}

TEST(CheckRecordCoding, RejectsMissingMistypedOutOfRangeAndUnknownValues) {
  // No value: the key is left out.
  const std::vector<std::pair<std::string, std::optional<json>>> broken{
      {"/id", std::nullopt},
      {"/id", "0f8fad5b-d9cb-469f-a165-70867728950"},
      {"/id", "{0f8fad5b-d9cb-469f-a165-70867728950e}"},
      {"/date", "2024-05-01T09:30:00.5Z"},
      {"/date", "2024-05-01T09:30:00"},
      {"/date", "2024-02-30T09:30:00Z"},
      {"/cardName", 42},
      {"/advertisedBytes", -1},
      {"/advertisedBytes", 1000.5},
      {"/advertisedBytes", "1000"},
      {"/verdict", "Genuine"},
      {"/method", nullptr},
      {"/brand", "noname"},
      {"/manufacturerID", 256},
      {"/writeSpeed", "fast"},
      {"/purchase/platform", "market"},
      {"/purchase/currency", std::nullopt},
      {"/purchase", "bought online"},
  };
  for (const auto& [pointer, value] : broken) {
    json text = handWritten();
    const json::json_pointer at(pointer);
    if (value) {
      text[at] = *value;
    } else {
      text[at.parent_pointer()].erase(at.back());
    }
    EXPECT_THROW(text.get<CheckRecord>(), DecodingError) << pointer << " = " << (value ? value->dump() : "missing");
  }
}

TEST(RecordValues, NewPurchaseFollowsTheLocaleAndFallsBackToUsdAndNoCountry) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const Purchase german;
  QLocale::setDefault(QLocale::c());
  const Purchase bare;
  QLocale::setDefault(saved);
  EXPECT_EQ(german.country + german.currency, "DEEUR");
  EXPECT_EQ(bare.country, "");
  EXPECT_EQ(bare.currency, "USD");
}

TEST(RecordValues, TestedUnderHalfOnlyWhenLessThanHalfOfTheClaimWasCovered) {
  CheckOutcome outcome;
  outcome.advertisedBytes = 1000;
  EXPECT_FALSE(outcome.testedUnderHalf()) << "nothing ran";
  outcome.zone.emplace();
  outcome.zone->bytes = 500;
  EXPECT_FALSE(outcome.testedUnderHalf()) << "exactly half";
  outcome.zone->bytes = 499;
  EXPECT_TRUE(outcome.testedUnderHalf());
  outcome.quick.emplace();
  outcome.quick->layout.zoneBytes = 100;
  outcome.quick->layout.spacing = 100;
  outcome.quick->layout.slotCount = 4;
  EXPECT_FALSE(outcome.testedUnderHalf()) << "the zone counted over the quick check's span";
  outcome.full.emplace();
  outcome.full->manifest.plannedBytes = 499;
  EXPECT_TRUE(outcome.testedUnderHalf()) << "the quick check counted over the advanced test";
  outcome.advertisedBytes = 0;
  EXPECT_FALSE(outcome.testedUnderHalf()) << "no claim";
}

}  // namespace
}  // namespace tessorin
