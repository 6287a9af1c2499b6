// The plain-text summary that "Share Result" hands on, built from values alone.

#include <gtest/gtest.h>

#include <QStringList>

#include "ResultValues.hpp"
#include "results/outcome/PlainTextSummary.hpp"

namespace tessorin {
namespace {

using namespace testing;
using Verdict = CheckOutcome::Verdict;

CardDevice card(std::string volumeName = "PHOTOS") {
  CardDevice device;
  device.volumeName = std::move(volumeName);
  device.mediaBytes = 64'000'000'000;
  return device;
}

QStringList linesOf(const QString& summary) { return summary.split(QLatin1Char('\n')); }

TEST(PlainTextSummary, SmallestSummaryHasTitleVerdictClaimAndDateWithoutTrailingLineFeed) {
  const QString summary = PlainTextSummary::make(outcome(Verdict::inconclusive), card(), std::nullopt, false);
  const QStringList lines = linesOf(summary);
  ASSERT_EQ(lines.size(), 4) << summary.toStdString();
  EXPECT_EQ(lines[0], "Tessorin check of “PHOTOS”");
  EXPECT_EQ(lines[1], "Verdict: Inconclusive");
  EXPECT_EQ(lines[2], "Claims: 64 GB");
  EXPECT_TRUE(lines[3].contains("2026")) << lines[3].toStdString();
  EXPECT_FALSE(summary.endsWith('\n'));
}

TEST(PlainTextSummary, CapacityLineAsRangeOrAboutWithTheSizeClassOnlyWhenItDiffersFromTheClaim) {
  struct Case {
    std::uint64_t real, upper, advertised;
    bool quickOnly;
    const char* line;
  };
  const Case cases[] = {
      {7'000'000'000, 15'500'000'000, 16'000'000'000, true, "Really holds: between 7 GB and 15 GB"},
      {10'000'000'000, 10'500'000'000, 64'000'000'000, true, "Really holds: about 10 GB"},
      {62'000'000'000, 62'000'000'000, 128'000'000'000, false, "Really holds: about 62 GB (a 64 GB card)"},
      {62'000'000'000, 62'000'000'000, 64'000'000'000, false, "Really holds: about 62 GB"},
      {512'345'678, 512'345'678, 64'000'000'000, false, "Really holds: about 512 MB"},
  };
  for (const Case& c : cases) {
    CheckOutcome fake = outcome(Verdict::fake, c.advertised);
    fake.realBytes = c.real;
    if (c.quickOnly) fake.quick = fakeQuickResult(c.real, c.upper);
    EXPECT_EQ(PlainTextSummary::capacityLine(fake), QString(c.line));
  }
  CheckOutcome withFull = outcome(Verdict::fake, 16'000'000'000);
  withFull.realBytes = 7'500'000'000;
  withFull.quick = fakeQuickResult(7'500'000'000, 15'500'000'000);
  withFull.full = fullResult(16'000'000'000, Sectors{.ok = 10, .blank = 100'000});
  EXPECT_EQ(PlainTextSummary::capacityLine(withFull), QString("Really holds: about 7 GB (an 8 GB card)"));
  EXPECT_EQ(PlainTextSummary::capacityLine(outcome(Verdict::fake)), std::nullopt);
}

TEST(PlainTextSummary, FullSummaryListsEveryLineInOrder) {
  CheckOutcome genuine = outcome(Verdict::genuine);
  genuine.full = fullResult(63'912'345'678, Sectors{.ok = 1000});
  genuine.zone = cleanZone();
  genuine.speed = rating(BusMode::uhs, {SpeedClass::class2, SpeedClass::class4, SpeedClass::class6,
                                        SpeedClass::class10, SpeedClass::u1, SpeedClass::u3, SpeedClass::v6,
                                        SpeedClass::v10, SpeedClass::v30});
  CardDevice device = card();
  device.registers = CardRegisters{};
  device.registers->manufacturerID = 0x5A;
  device.registers->productName = "SD64G";

  const QString summary = PlainTextSummary::make(genuine, device, QString("SanDisk"), false);
  EXPECT_FALSE(summary.contains(QChar(0x00A0))) << "figures are typed as in a mail, with ordinary spaces";
  const QStringList lines = linesOf(summary);
  ASSERT_EQ(lines.size(), 10);
  EXPECT_EQ(lines[1], "Verdict: Genuine card");
  EXPECT_EQ(lines[3], "Tested: 63.9 GB · write 20 MB/s · read 60 MB/s");
  EXPECT_EQ(lines[4], "Speed: write 41 MB/s sustained · read 90 MB/s");
  EXPECT_EQ(lines[5], "Lives up to: C10 U3 V30");
  EXPECT_EQ(lines[6], "Brand on the label: SanDisk");
  EXPECT_EQ(lines[7], "Chip manufacturer: unknown (0x5A)");
  EXPECT_EQ(lines[8], "Product: SD64G");
}

TEST(PlainTextSummary, MarkingsLineLeftOutForAUSBDriveAndForACardMeetingNone) {
  CheckOutcome checked = outcome(Verdict::likelyGenuine);
  checked.zone = cleanZone();
  checked.speed = rating(BusMode::uhs, {SpeedClass::class10, SpeedClass::u1});
  EXPECT_TRUE(PlainTextSummary::make(checked, card(), std::nullopt, false).contains("Lives up to: C10 U1"));
  EXPECT_FALSE(PlainTextSummary::make(checked, card(), std::nullopt, true).contains("Lives up to"));
  checked.speed = rating(BusMode::uhs, {});
  const QString none = PlainTextSummary::make(checked, card(), std::nullopt, false);
  EXPECT_TRUE(none.contains("Speed: write")) << none.toStdString();
  EXPECT_FALSE(none.contains("Lives up to"));
}

TEST(PlainTextSummary, KnownMakerByNameAndProductWithoutMakerID) {
  CardDevice device = card();
  device.registers = CardRegisters{};
  device.registers->manufacturerID = 0x03;
  EXPECT_TRUE(PlainTextSummary::make(outcome(Verdict::genuine), device, std::nullopt, false)
                  .contains("Chip manufacturer: SanDisk (0x03)"));
  device.registers->manufacturerID.reset();
  device.registers->productName = "ABCDE";
  const QString summary = PlainTextSummary::make(outcome(Verdict::genuine), device, std::nullopt, false);
  EXPECT_FALSE(summary.contains("Chip manufacturer"));
  EXPECT_TRUE(summary.contains("Product: ABCDE"));
}

TEST(PlainTextSummary, NamesFromTheCardAndTheUserAreWrittenVerbatim) {
  const QString summary =
      PlainTextSummary::make(outcome(Verdict::genuine), card("%1 “%2”"), QString("50%1 off"), false);
  const QStringList lines = linesOf(summary);
  EXPECT_EQ(lines[0], "Tessorin check of “%1 “%2””");
  EXPECT_EQ(lines[3], "Brand on the label: 50%1 off");
}

}  // namespace
}  // namespace tessorin
