// Building the records the community writes from a finished check, and reading reports
// back from records that this program may not have written.

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "community/rules/ReportValidator.hpp"
#include "community/store/CommunityError.hpp"
#include "community/store/StoreReport.hpp"

namespace tessorin {
namespace {

constexpr std::uint64_t gigabyte = 1'000'000'000;

CheckRecord finishedCheck() {
  CheckRecord check;
  check.advertisedBytes = 64 * gigabyte;
  check.realBytes = 8 * gigabyte;
  check.verdict = CheckOutcome::Verdict::fake;
  check.method = CheckOutcome::Method::full;
  check.manufacturerID = 0x9F;
  return check;
}

Purchase purchaseAt(const char* store) {
  Purchase purchase;
  purchase.store = store;
  purchase.platform = Platform::aliexpress;
  purchase.country = "PT";
  purchase.city = "Lisboa";
  purchase.price = 4.5;
  purchase.currency = "EUR";
  return purchase;
}

TEST(StoreReportRecord, CarriesTheCheckAndThePurchase) {
  const Record record = makeStoreReportRecord(finishedCheck(), purchaseAt("  Mega\nStore "), QStringLiteral("1.2"));
  EXPECT_EQ(record.recordType, QStringLiteral("StoreReport"));
  EXPECT_TRUE(isRecordName(record.recordName));
  EXPECT_EQ(record.text(QStringLiteral("store")), QStringLiteral("Mega Store"));
  EXPECT_EQ(record.text(QStringLiteral("storeKey")), QStringLiteral("mega store"));
  EXPECT_EQ(record.text(QStringLiteral("platform")), QStringLiteral("aliexpress"));
  EXPECT_EQ(record.integer(QStringLiteral("advertisedBytes")), 64 * gigabyte);
  EXPECT_EQ(record.integer(QStringLiteral("realBytes")), 8 * gigabyte);
  EXPECT_EQ(record.integer(QStringLiteral("manufacturerID")), 0x9F);
  EXPECT_EQ(record.number(QStringLiteral("price")), 4.5);
  EXPECT_EQ(record.text(QStringLiteral("currency")), QStringLiteral("EUR"));
  EXPECT_EQ(record.text(QStringLiteral("appVersion")), QStringLiteral("1.2"));
  EXPECT_EQ(record.fields.count(QStringLiteral("brand")), 0u);
  // What the program builds, the validator of every back end accepts.
  EXPECT_EQ(validateRecord(record, [](const QString&) { return true; }), std::nullopt);
  EXPECT_NE(makeStoreReportRecord(finishedCheck(), purchaseAt("Mega"), {}).recordName,
            makeStoreReportRecord(finishedCheck(), purchaseAt("Mega"), {}).recordName);
}

TEST(StoreReportRecord, FollowsTheRulesForOptionalKeys) {
  struct Case {
    const char* what;
    std::optional<Brand> brand;
    std::optional<std::string> brandName;
    std::optional<double> price;
    std::optional<QString> expectedBrand;
    bool pricePresent;
  };
  const Case cases[] = {
      {"brand other, no typed name", Brand::other, std::nullopt, 0.0, QStringLiteral("other"), true},
      {"typed name cut to 30", Brand::other, std::string(45, 'k'), std::nullopt, QString(30, QLatin1Char('k')), false},
      {"typed name that cleans to nothing", Brand::other, std::string("www.x"), std::nullopt, std::nullopt, false},
      {"no brand at all", std::nullopt, std::nullopt, std::nullopt, std::nullopt, false},
  };
  for (const Case& c : cases) {
    CheckRecord check = finishedCheck();
    check.brand = c.brand;
    check.brandName = c.brandName;
    Purchase purchase = purchaseAt("Mega");
    purchase.price = c.price;
    const Record record = makeStoreReportRecord(check, purchase, {});
    EXPECT_EQ(record.text(QStringLiteral("brand")), c.expectedBrand) << c.what;
    EXPECT_EQ(record.fields.count(QStringLiteral("price")) == 1, c.pricePresent) << c.what;
    EXPECT_EQ(record.fields.count(QStringLiteral("currency")) == 1, c.pricePresent) << c.what;
  }
}

TEST(StoreReportRecord, CapsCapacitiesAtTheLargestSignedInteger) {
  CheckRecord check = finishedCheck();
  check.advertisedBytes = std::numeric_limits<std::uint64_t>::max();
  check.realBytes = std::numeric_limits<std::uint64_t>::max() - 1;
  const Record record = makeStoreReportRecord(check, purchaseAt("Mega"), {});
  EXPECT_EQ(record.integer(QStringLiteral("advertisedBytes")), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(record.integer(QStringLiteral("realBytes")), std::numeric_limits<std::int64_t>::max());
}

TEST(StoreReportRecord, RefusesAStoreThatCleansToNothing) {
  for (const char* store : {"   ", "www.mega.example", "mega@example"}) {
    try {
      makeStoreReportRecord(finishedCheck(), purchaseAt(store), {});
      ADD_FAILURE() << store;
    } catch (const CommunityError& error) {
      EXPECT_EQ(error, CommunityError::invalidStoreName);
      EXPECT_EQ(error.description(), QStringLiteral("Enter the store’s name, without links or email addresses."));
    }
  }
}

Record storedReport() {
  Record record;
  record.recordType = QStringLiteral("StoreReport");
  record.recordName = QStringLiteral("0A3F2C1B-0000-4000-8000-000000000001");
  record.fields = {{QStringLiteral("store"), QStringLiteral("Mega Store")},
                   {QStringLiteral("verdict"), QStringLiteral("fake")},
                   {QStringLiteral("advertisedBytes"), std::int64_t{64}}};
  record.creationDate = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
  record.creator = QStringLiteral("AUTHOR");
  return record;
}

TEST(StoreReportReading, SkipsRecordsWithoutTheRequiredKeys) {
  const std::pair<const char*, std::function<void(Record&)>> cases[] = {
      {"no store", [](Record& r) { r.fields.erase(QStringLiteral("store")); }},
      {"store as a number", [](Record& r) { r.fields[QStringLiteral("store")] = std::int64_t{1}; }},
      {"store that is a link", [](Record& r) { r.fields[QStringLiteral("store")] = QStringLiteral("www.x.example"); }},
      {"store of blanks", [](Record& r) { r.fields[QStringLiteral("store")] = QStringLiteral(" \n "); }},
      {"verdict in other case", [](Record& r) { r.fields[QStringLiteral("verdict")] = QStringLiteral("Fake"); }},
      {"no verdict", [](Record& r) { r.fields.erase(QStringLiteral("verdict")); }},
      {"capacity as a double", [](Record& r) { r.fields[QStringLiteral("advertisedBytes")] = 64.0; }},
  };
  for (const auto& [what, change] : cases) {
    Record record = storedReport();
    change(record);
    EXPECT_EQ(StoreReport::fromRecord(record), std::nullopt) << what;
  }
}

TEST(StoreReportReading, AppliesTheRulesAgainToWhatWasStored) {
  struct Case {
    const char* what;
    std::function<void(Record&)> change;
    std::function<void(const StoreReport&)> check;
  };
  const Case cases[] = {
      {"defaults", [](Record&) {},
       [](const StoreReport& r) {
         EXPECT_EQ(r.storeKey, QStringLiteral("mega store"));
         EXPECT_EQ(r.platform, Platform::other);
         EXPECT_EQ(r.method, CheckOutcome::Method::quick);
         EXPECT_EQ(r.country, QString());
         EXPECT_EQ(r.author, QStringLiteral("AUTHOR"));
         EXPECT_EQ(r.date, QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC));
       }},
      {"a key of another store",
       [](Record& r) { r.fields[QStringLiteral("storeKey")] = QStringLiteral("other shop"); },
       [](const StoreReport& r) { EXPECT_EQ(r.storeKey, QStringLiteral("mega store")); }},
      {"store on two lines",
       [](Record& r) { r.fields[QStringLiteral("store")] = QStringLiteral("Mega\nStore"); },
       [](const StoreReport& r) { EXPECT_EQ(r.store, QStringLiteral("Mega Store")); }},
      {"negative capacities",
       [](Record& r) {
         r.fields[QStringLiteral("advertisedBytes")] = std::int64_t{-5};
         r.fields[QStringLiteral("realBytes")] = std::int64_t{-1};
       },
       [](const StoreReport& r) {
         EXPECT_EQ(r.advertisedBytes, 0u);
         EXPECT_EQ(r.realBytes, 0u);
       }},
      {"method FULL and an unknown platform",
       [](Record& r) {
         r.fields[QStringLiteral("method")] = QStringLiteral("FULL");
         r.fields[QStringLiteral("platform")] = QStringLiteral("bazaar");
       },
       [](const StoreReport& r) {
         EXPECT_EQ(r.method, CheckOutcome::Method::quick);
         EXPECT_EQ(r.platform, Platform::other);
       }},
      {"method full", [](Record& r) { r.fields[QStringLiteral("method")] = QStringLiteral("full"); },
       [](const StoreReport& r) { EXPECT_EQ(r.method, CheckOutcome::Method::full); }},
      {"country, currency and price of the wrong form",
       [](Record& r) {
         r.fields[QStringLiteral("country")] = QStringLiteral("Portugal");
         r.fields[QStringLiteral("currency")] = QStringLiteral("euro");
         r.fields[QStringLiteral("price")] = -3.0;
       },
       [](const StoreReport& r) {
         EXPECT_EQ(r.country, QString());
         EXPECT_EQ(r.currency, std::nullopt);
         EXPECT_EQ(r.price, std::nullopt);
       }},
      {"price not finite", [](Record& r) { r.fields[QStringLiteral("price")] = std::nan(""); },
       [](const StoreReport& r) { EXPECT_EQ(r.price, std::nullopt); }},
      {"currency without a price", [](Record& r) { r.fields[QStringLiteral("currency")] = QStringLiteral("BRL"); },
       [](const StoreReport& r) {
         EXPECT_EQ(r.currency, QStringLiteral("BRL"));
         EXPECT_EQ(r.price, std::nullopt);
       }},
      {"city and brand that hold links",
       [](Record& r) {
         r.fields[QStringLiteral("city")] = QStringLiteral("http://x");
         r.fields[QStringLiteral("brand")] = QStringLiteral("a@b");
       },
       [](const StoreReport& r) {
         EXPECT_EQ(r.city, QString());
         EXPECT_EQ(r.brand, std::nullopt);
       }},
      {"no creation date", [](Record& r) { r.creationDate.reset(); },
       [](const StoreReport& r) {
         EXPECT_LE(std::abs(r.date.secsTo(QDateTime::currentDateTimeUtc())), 5);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Record record = storedReport();
    c.change(record);
    const auto report = StoreReport::fromRecord(record);
    ASSERT_TRUE(report.has_value());
    c.check(*report);
  }
}

TEST(StoreReportValue, EqualReportsHashAlikeAndNegativeZeroIsZero) {
  StoreReport a = *StoreReport::fromRecord(storedReport());
  StoreReport b = a;
  a.price = 0.0;
  b.price = -0.0;
  EXPECT_EQ(a, b);
  EXPECT_EQ(std::hash<StoreReport>{}(a), std::hash<StoreReport>{}(b));
  b.price.reset();
  EXPECT_NE(a, b);
}

TEST(ReportFlagRecord, ReferencesTheReport) {
  const StoreReport report = *StoreReport::fromRecord(storedReport());
  const Record flag = makeReportFlagRecord(report);
  EXPECT_EQ(flag.recordType, QStringLiteral("ReportFlag"));
  EXPECT_EQ(flag.reference(QStringLiteral("report")), RecordReference{report.id});
  EXPECT_EQ(flag.fields.size(), 1u);
}

}  // namespace
}  // namespace tessorin
