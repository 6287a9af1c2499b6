#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include <QLocale>
#include <gtest/gtest.h>

#include "theme/DisplayFormat.hpp"

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
      {0, "0 bytes"},
      {1, "1 byte"},
      {999, "999 bytes"},
      {1000, "1 kB"},
      {999'499, "999 kB"},
      {999'500, "1 MB"},  // 999.5 kB would round to 1000 kB
      {12'345'678, "12.3 MB"},
      {31'900'000'000, "31.9 GB"},
      {64'000'000'000, "64 GB"},
      {64'040'000'000, "64 GB"},  // a trailing ".0" is dropped
      {999'950'000'000, "1 TB"},
      {1'500'000'000'000, "1.5 TB"},
      {std::numeric_limits<std::uint64_t>::max(), "9.2 EB"},  // clamped to 2^63 - 1
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayFormat::byteCountText(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
}

TEST_F(DisplayFormatTest, CapacitySnapsToTheNearestCardSizeWithinTenPercent) {
  const BytesCase cases[] = {
      {0, "0 bytes"},
      {62'500'000'000, "64 GB"},
      {58'000'000'000, "64 GB"},
      {57'000'000'000, "57 GB"},  // 10.9 % short of 64 GB
      {57'600'000'000, "64 GB"},  // just under 10 % in doubles
      {350'000'000'000, "350 GB"},
      {400'000'000'000, "400 GB"},
      {930'000'000'000, "1 TB"},
      {1'000'000'000'000, "1 TB"},
      {1'200'000'000'000, "1.2 TB"},  // 20 % off 1 TB: the byte text
      {1'500'000'000'000, "1.5 TB"},
      {2'000'000'000'000, "2 TB"},
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayFormat::formatCapacity(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
}

TEST_F(DisplayFormatTest, TerabytesAndByteTextFollowTheLocaleSeparator) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(DisplayFormat::formatCapacity(1'500'000'000'000), QStringLiteral("1,5 TB"));
  EXPECT_EQ(DisplayFormat::byteCountText(31'900'000'000), QStringLiteral("31,9 GB"));
}

TEST_F(DisplayFormatTest, AdvertisedSizeNeedsNinetyPercentOfTheTierThatHoldsTheCount) {
  const struct {
    std::uint64_t bytes;
    std::optional<const char*> label;
  } cases[] = {
      {0, std::nullopt},
      {1ull << 30, "1 GB"},
      {(1ull << 30) + 1, std::nullopt},  // tier 2 GiB, and 0.9 x 2 GB is more
      {29'000'000'000, "32 GB"},
      {28'000'000'000, std::nullopt},
      {1ull << 40, "1 TB"},
      {5000ull << 30, "4 TB"},  // beyond the last tier
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
      {41'000'000, "41 MB/s"},
      {0, "0 bytes/s"},
      {-5, "0 bytes/s"},
      {std::nan(""), "0 bytes/s"},
      {-std::numeric_limits<double>::infinity(), "0 bytes/s"},
      {std::numeric_limits<double>::infinity(), "9.2 EB/s"},
      {18446744073709551616.0, "9.2 EB/s"},
      {1e300, "9.2 EB/s"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DisplayFormat::formatSpeed(c.bytesPerSecond), QString::fromUtf8(c.text)) << c.bytesPerSecond;
  }
  EXPECT_EQ(DisplayFormat::speedOrMissing(0), QStringLiteral("\u2014"));
  EXPECT_EQ(DisplayFormat::speedOrMissing(std::nan("")), QStringLiteral("\u2014"));
}

TEST_F(DisplayFormatTest, OperationRatesRoundHalvesAwayAndShowADashWithoutARate) {
  EXPECT_EQ(DisplayFormat::operationsPerSecondText(1234.5), QStringLiteral("1235 IOPS"));
  EXPECT_EQ(DisplayFormat::operationsPerSecondText(12345.4), QStringLiteral("12345 IOPS"));
  EXPECT_EQ(DisplayFormat::operationsPerSecondText(0), QStringLiteral("\u2014"));
  EXPECT_EQ(DisplayFormat::operationsPerSecondText(std::nan("")), QStringLiteral("\u2014"));
  EXPECT_EQ(DisplayFormat::operationsPerSecondText(std::numeric_limits<double>::infinity()),
            QStringLiteral("18446744073709551615 IOPS"));
}

TEST_F(DisplayFormatTest, ProductionDateNamesTheMonthOrShowsTheRawFieldsForAMonthOutsideTheYear) {
  EXPECT_EQ(DisplayFormat::formatProductionDate(2019, 7), QStringLiteral("July 2019"));
  EXPECT_EQ(DisplayFormat::formatProductionDate(2019, 13), QStringLiteral("2019-13"));
  EXPECT_EQ(DisplayFormat::formatProductionDate(2019, 0), QStringLiteral("2019-0"));
  EXPECT_EQ(DisplayFormat::formatProductionDate(2019, 15), QStringLiteral("2019-15"));
}

TEST_F(DisplayFormatTest, RealCapacityIsCutDownToWholeMegabytesOrGigabytes) {
  const BytesCase cases[] = {
      {999'999'999, "999 MB"},  // cut before the text could round it up to 1 GB
      {512'345'678, "512 MB"},
      {15'931'539'456, "15 GB"},
      {31'999'999'999, "31 GB"},
      {std::numeric_limits<std::uint64_t>::max(), "9.2 EB"},
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayFormat::roundedSizeText(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
}

TEST_F(DisplayFormatTest, DurationsShowTwoWholeUnitsAtMostAndDropAZeroSmallerUnit) {
  const struct {
    double seconds;
    const char* text;
  } cases[] = {
      {0.3, "1s"}, {59, "59s"}, {60, "1m"}, {266, "4m 26s"}, {3599, "59m 59s"},
      {3600, "1h"}, {4266.67, "1h 11m"}, {-4, "1s"}, {std::nan(""), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayFormat::durationText(c.seconds), QString::fromUtf8(c.text)) << c.seconds;
}

TEST_F(DisplayFormatTest, PercentageIsWholeAndGuarded) {
  EXPECT_EQ(DisplayFormat::percentText(0.26), QStringLiteral("26%"));
  EXPECT_EQ(DisplayFormat::percentText(1.0), QStringLiteral("100%"));
  EXPECT_EQ(DisplayFormat::percentText(std::nan("")), QStringLiteral("0%"));
}

}  // namespace
}  // namespace tessorin
