#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include <QLocale>
#include <gtest/gtest.h>

#include "theme/text/DisplayFormat.hpp"

namespace tessorin {
namespace {

// Each test names its locale: the separator is the locale's.
class DisplayFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

struct BytesCase {
  std::uint64_t bytes;
  const char* text;
};

TEST_F(DisplayFormatTest, ByteTextPicksTheUnitThatKeepsTheRoundedNumberBelowAThousand) {
  const BytesCase cases[] = {
      {0, "0\u00A0bytes"},
      {1, "1\u00A0byte"},
      {999, "999\u00A0bytes"},
      {1000, "1\u00A0kB"},
      {999'499, "999\u00A0kB"},
      {999'500, "1\u00A0MB"},  // 999.5 kB would round to 1000 kB
      {12'345'678, "12.3\u00A0MB"},
      {31'900'000'000, "31.9\u00A0GB"},
      {64'000'000'000, "64\u00A0GB"},
      {64'040'000'000, "64\u00A0GB"},  // a trailing ".0" is dropped
      {999'950'000'000, "1\u00A0TB"},
      {1'500'000'000'000, "1.5\u00A0TB"},
      {std::numeric_limits<std::uint64_t>::max(), "9.2\u00A0EB"},  // clamped to 2^63 - 1
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayFormat::byteCountText(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
}

TEST_F(DisplayFormatTest, CapacitySnapsToTheNearestCardSizeWithinTenPercent) {
  const BytesCase cases[] = {
      {0, "0\u00A0bytes"},
      {62'500'000'000, "64\u00A0GB"},
      {58'000'000'000, "64\u00A0GB"},
      {57'000'000'000, "57\u00A0GB"},  // 10.9 % short of 64 GB
      {57'600'000'000, "64\u00A0GB"},  // just under 10 % in doubles
      {350'000'000'000, "350\u00A0GB"},
      {400'000'000'000, "400\u00A0GB"},
      {930'000'000'000, "1\u00A0TB"},
      {1'000'000'000'000, "1\u00A0TB"},
      {1'200'000'000'000, "1.2\u00A0TB"},  // 20 % off 1 TB: the byte text
      {1'500'000'000'000, "1.5\u00A0TB"},
      {2'000'000'000'000, "2\u00A0TB"},
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayFormat::formatCapacity(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
}

TEST_F(DisplayFormatTest, TerabytesAndByteTextFollowTheLocaleSeparator) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(DisplayFormat::formatCapacity(1'500'000'000'000), QStringLiteral("1,5\u00A0TB"));
  EXPECT_EQ(DisplayFormat::byteCountText(31'900'000'000), QStringLiteral("31,9\u00A0GB"));
}

TEST_F(DisplayFormatTest, AdvertisedSizeNeedsNinetyPercentOfTheTierThatHoldsTheCount) {
  const struct {
    std::uint64_t bytes;
    std::optional<const char*> label;
  } cases[] = {
      {0, std::nullopt},
      {1ull << 30, "1\u00A0GB"},
      {(1ull << 30) + 1, std::nullopt},  // tier 2 GiB, and 0.9 x 2 GB is more
      {29'000'000'000, "32\u00A0GB"},
      {28'000'000'000, std::nullopt},
      {1ull << 40, "1\u00A0TB"},
      {5000ull << 30, "4\u00A0TB"},  // beyond the last tier
  };
  for (const auto& c : cases) {
    const auto label = DisplayFormat::advertisedSizeLabel(c.bytes);
    ASSERT_EQ(label.has_value(), c.label.has_value()) << c.bytes;
    if (label) {
      EXPECT_EQ(*label, QString::fromUtf8(*c.label)) << c.bytes;
    }
  }
}

TEST_F(DisplayFormatTest, SpeedsThatAreNotFinitePositiveNumbersReadAsZeroAndHugeOnesSaturate) {
  const struct {
    double bytesPerSecond;
    const char* text;
  } cases[] = {
      {41'000'000, "41\u00A0MB/s"},
      {0, "0\u00A0bytes/s"},
      {-5, "0\u00A0bytes/s"},
      {std::nan(""), "0\u00A0bytes/s"},
      {-std::numeric_limits<double>::infinity(), "0\u00A0bytes/s"},
      {std::numeric_limits<double>::infinity(), "9.2\u00A0EB/s"},
      {18446744073709551616.0, "9.2\u00A0EB/s"},
      {1e300, "9.2\u00A0EB/s"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DisplayFormat::formatSpeed(c.bytesPerSecond), QString::fromUtf8(c.text)) << c.bytesPerSecond;
  }
  EXPECT_EQ(DisplayFormat::speedOrMissing(0), QStringLiteral("\u2014"));
  EXPECT_EQ(DisplayFormat::speedOrMissing(std::nan("")), QStringLiteral("\u2014"));
}

TEST_F(DisplayFormatTest, OperationRatesRoundHalvesAwayAndShowADashWithoutARate) {
  EXPECT_EQ(DisplayFormat::operationsPerSecondText(1234.5), QStringLiteral("1235\u00A0IOPS"));
  EXPECT_EQ(DisplayFormat::operationsPerSecondText(12345.4), QStringLiteral("12345\u00A0IOPS"));
  EXPECT_EQ(DisplayFormat::operationsPerSecondText(0), QStringLiteral("\u2014"));
  EXPECT_EQ(DisplayFormat::operationsPerSecondText(std::nan("")), QStringLiteral("\u2014"));
  EXPECT_EQ(DisplayFormat::operationsPerSecondText(std::numeric_limits<double>::infinity()),
            QStringLiteral("18446744073709551615\u00A0IOPS"));
}

TEST_F(DisplayFormatTest, ProductionDateNamesTheMonthOrShowsTheRawFieldsForAMonthOutsideTheYear) {
  EXPECT_EQ(DisplayFormat::formatProductionDate(2019, 7), QStringLiteral("July 2019"));
  EXPECT_EQ(DisplayFormat::formatProductionDate(2019, 13), QStringLiteral("2019-13"));
  EXPECT_EQ(DisplayFormat::formatProductionDate(2019, 0), QStringLiteral("2019-0"));
  EXPECT_EQ(DisplayFormat::formatProductionDate(2019, 15), QStringLiteral("2019-15"));
}

// The month and the year as each language writes them on their own: its order, and the
// month's name as it stands without a day.
TEST_F(DisplayFormatTest, ProductionDateFollowsTheLocalesOrderAndMonthName) {
  const std::vector<std::pair<const char*, QString>> cases = {
      {"en_US", QStringLiteral("July 2019")},
      {"de_DE", QStringLiteral("Juli 2019")},
      {"ja_JP", QStringLiteral("2019年7月")},
      {"ru_RU", QStringLiteral("июль 2019\u202Fг.")},
  };
  for (const auto& [locale, expected] : cases) {
    QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
    EXPECT_EQ(DisplayFormat::formatProductionDate(2019, 7).toStdString(), expected.toStdString()) << locale;
  }
}

TEST_F(DisplayFormatTest, RealCapacityIsCutDownToWholeMegabytesOrGigabytes) {
  const BytesCase cases[] = {
      {999'999'999, "999\u00A0MB"},  // cut before the text could round it up to 1 GB
      {512'345'678, "512\u00A0MB"},
      {15'931'539'456, "15\u00A0GB"},
      {31'999'999'999, "31\u00A0GB"},
      {std::numeric_limits<std::uint64_t>::max(), "9.2\u00A0EB"},
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayFormat::roundedSizeText(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
}

TEST_F(DisplayFormatTest, DurationsShowTwoWholeUnitsAtMostAndDropAZeroSmallerUnit) {
  const struct {
    double seconds;
    const char* text;
  } cases[] = {
      {0.3, "1s"}, {59, "59s"}, {60, "1m"}, {266, "4m\u00A026s"}, {3599, "59m\u00A059s"},
      {3600, "1h"}, {4266.67, "1h\u00A011m"}, {-4, "1s"}, {std::nan(""), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayFormat::durationText(c.seconds), QString::fromUtf8(c.text)) << c.seconds;
}

TEST_F(DisplayFormatTest, EveryFormatterJoinsNumberAndUnitWithANoBreakSpace) {
  const struct {
    const char* what;
    QString text;
    const char* expected;
  } cases[] = {
      {"bytes", DisplayFormat::byteCountText(12'345'678), "12.3\u00A0MB"},
      {"a few bytes", DisplayFormat::byteCountText(512), "512\u00A0bytes"},
      {"one byte", DisplayFormat::byteCountText(1), "1\u00A0byte"},
      {"binary bytes", DisplayFormat::memoryByteCountText(32'768), "32\u00A0KB"},
      {"card size", DisplayFormat::formatCapacity(16'000'000'000), "16\u00A0GB"},
      {"card size in TB", DisplayFormat::formatCapacity(1'500'000'000'000), "1.5\u00A0TB"},
      {"advertised size", DisplayFormat::advertisedSizeLabel(1ull << 30).value_or(QString()), "1\u00A0GB"},
      {"real size", DisplayFormat::roundedSizeText(15'931'539'456), "15\u00A0GB"},
      {"rate", DisplayFormat::formatSpeed(94'200'000), "94.2\u00A0MB/s"},
      {"operations", DisplayFormat::operationsPerSecondText(1234.5), "1235\u00A0IOPS"},
      {"no operations", DisplayFormat::operationCountText(0), "0\u00A0IOPS"},
      {"minutes and seconds", DisplayFormat::durationText(266), "4m\u00A026s"},
      {"hours and minutes", DisplayFormat::durationText(4266.67), "1h\u00A011m"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text, QString::fromUtf8(c.expected)) << c.what;
    EXPECT_FALSE(c.text.contains(QLatin1Char(' '))) << c.what;
  }
}

TEST_F(DisplayFormatTest, PercentageIsWholeAndGuarded) {
  EXPECT_EQ(DisplayFormat::percentText(0.26), QStringLiteral("26%"));
  EXPECT_EQ(DisplayFormat::percentText(1.0), QStringLiteral("100%"));
  EXPECT_EQ(DisplayFormat::percentText(std::nan("")), QStringLiteral("0%"));
}

}  // namespace
}  // namespace tessorin
