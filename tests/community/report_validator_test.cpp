// The validator every back end runs before it stores a record: exactly the report keys
// with their types, cleaned texts, a store key computed from the store, known cases,
// sane numbers, short texts; a flag that names a stored report. Each refusal says what
// to fix.

#include <cmath>
#include <functional>

#include <gtest/gtest.h>

#include "community/rules/ReportValidator.hpp"
#include "community/store/StoreReport.hpp"

namespace tessorin {
namespace {

Record validReport() {
  CheckRecord check;
  check.advertisedBytes = 64'000'000'000;
  check.verdict = CheckOutcome::Verdict::genuine;
  check.brand = Brand::other;
  Purchase purchase;
  purchase.store = "Mega Store";
  purchase.country = "BR";
  purchase.city = "Recife";
  purchase.price = 10;
  purchase.currency = "BRL";
  return makeStoreReportRecord(check, purchase, QStringLiteral("0.1.0"));
}

std::optional<RecordRefusal> validate(const Record& record) {
  return validateRecord(record, [](const QString& name) { return name == QStringLiteral("0A3F2C1B-0000-4000-8000-000000000001"); });
}

TEST(ReportValidator, AcceptsWhatTheApplicationBuilds) { EXPECT_EQ(validate(validReport()), std::nullopt); }

TEST(ReportValidator, RefusesEveryMalformedReport) {
  const auto set = [](const char* key, RecordValue value) {
    return [key, value](Record& r) { r.fields[QLatin1String(key)] = value; };
  };
  const auto drop = [](const char* key) { return [key](Record& r) { r.fields.erase(QLatin1String(key)); }; };
  const std::pair<const char*, std::function<void(Record&)>> cases[] = {
      {"unknown key", set("colour", QStringLiteral("red"))},
      {"missing store", drop("store")},
      {"missing verdict", drop("verdict")},
      {"store as integer", set("store", std::int64_t{5})},
      {"store on two lines", set("store", QStringLiteral("Mega\nStore"))},
      {"store with a link", set("store", QStringLiteral("www.mega.example"))},
      {"store untrimmed", set("store", QStringLiteral(" Mega Store"))},
      {"key of another store", set("storeKey", QStringLiteral("other"))},
      {"unknown platform", set("platform", QStringLiteral("bazaar"))},
      {"country of three letters", set("country", QStringLiteral("BRA"))},
      {"country in lower case", set("country", QStringLiteral("br"))},
      {"city with an e-mail", set("city", QStringLiteral("a@b"))},
      {"brand too long", set("brand", QString(31, QLatin1Char('b')))},
      {"brand empty", set("brand", QString())},
      {"negative capacity", set("advertisedBytes", std::int64_t{-1})},
      {"negative real capacity", set("realBytes", std::int64_t{-1})},
      {"verdict in other case", set("verdict", QStringLiteral("Genuine"))},
      {"unknown method", set("method", QStringLiteral("slow"))},
      {"manufacturer 256", set("manufacturerID", std::int64_t{256})},
      {"negative price", set("price", -1.0)},
      {"price not finite", set("price", std::numeric_limits<double>::infinity())},
      {"price as text", set("price", QStringLiteral("10"))},
      {"currency of two letters", set("currency", QStringLiteral("R$"))},
      {"currency without price", drop("price")},
      {"price without currency", drop("currency")},
      {"version too long", set("appVersion", QString(33, QLatin1Char('1')))},
      {"version not ASCII", set("appVersion", QStringLiteral("1.0\u00E9"))},
      {"text over 1 KiB", set("city", QString(1025, QLatin1Char('c')))},
  };
  for (const auto& [what, change] : cases) {
    Record record = validReport();
    change(record);
    const auto refusal = validate(record);
    ASSERT_TRUE(refusal.has_value()) << what;
    EXPECT_EQ(refusal->code, RecordErrorCode::invalidArguments) << what;
    EXPECT_TRUE(refusal->message.endsWith(QLatin1Char('.'))) << what;
    EXPECT_EQ(refusal->message.count(QLatin1Char('.')), 1) << what << ": " << refusal->message.toStdString();
  }
}

TEST(ReportValidator, ChecksTheRecordItself) {
  Record unknownType = validReport();
  unknownType.recordType = QStringLiteral("Store");
  EXPECT_EQ(validate(unknownType)->code, RecordErrorCode::unknownItem);

  for (const char* name : {"0a3f2c1b-0000-4000-8000-000000000001", "not a name", "", "{0A3F2C1B-0000-4000-8000-000000000001}",
                           "0A3F2C1B0-000-4000-8000-000000000001", "0A3F2C1B-0000-4000-8000-00000000001",
                           "0A3F2C1B-0000-4000-8000-0000000000011", "0A3F2C1G-0000-4000-8000-000000000001",
                           "0A3F2C1B_0000-4000-8000-000000000001", "\uFF10A3F2C1B-0000-4000-8000-000000000001",
                           "0A3F2C1B-0000-4000-8000-00000000000\u0661"}) {
    Record record = validReport();
    record.recordName = QString::fromUtf8(name);
    EXPECT_EQ(validate(record)->code, RecordErrorCode::invalidArguments) << name;
  }
}

TEST(ReportValidator, AcceptsOnlyFlagsOfStoredReports) {
  Record flag;
  flag.recordType = QStringLiteral("ReportFlag");
  flag.recordName = QStringLiteral("11111111-2222-4333-8444-555555555555");
  flag.fields[QStringLiteral("report")] = RecordReference{QStringLiteral("0A3F2C1B-0000-4000-8000-000000000001")};
  EXPECT_EQ(validate(flag), std::nullopt);

  Record unknownReport = flag;
  unknownReport.fields[QStringLiteral("report")] = RecordReference{QStringLiteral("0A3F2C1B-0000-4000-8000-000000000002")};
  EXPECT_EQ(validate(unknownReport)->code, RecordErrorCode::unknownItem);

  Record textReport = flag;
  textReport.fields[QStringLiteral("report")] = QStringLiteral("0A3F2C1B-0000-4000-8000-000000000001");
  EXPECT_EQ(validate(textReport)->code, RecordErrorCode::invalidArguments);

  Record extraKey = flag;
  extraKey.fields[QStringLiteral("reason")] = QStringLiteral("spam");
  EXPECT_EQ(validate(extraKey)->code, RecordErrorCode::invalidArguments);
}

}  // namespace
}  // namespace tessorin
