// The report card's rows and the outcome panel's figures for a finished check.

#include <limits>

#include <QMetaProperty>

#include <gtest/gtest.h>

#include "ResultValues.hpp"
#include "theme/text/DisplayFormat.hpp"
#include "theme/Palette.hpp"
#include "results/outcome/OutcomePanelModel.hpp"
#include "results/outcome/ReportCardModel.hpp"

namespace tessorin {
namespace {

using namespace testing;
using Verdict = CheckOutcome::Verdict;
using Method = CheckOutcome::Method;

TEST(OutcomePanel, StatTilesAndHeadlineInputOfAnAdvancedTest) {
  FullTestResult full = fullResult(31'912'345'678, Sectors{.ok = 10});
  const auto tiles = OutcomePanelModel::stats(full);
  ASSERT_EQ(tiles.size(), 4u);
  EXPECT_EQ(tiles[0].value, "31.9\u00A0GB");
  EXPECT_EQ(tiles[1].value, "20\u00A0MB/s");
  EXPECT_EQ(tiles[2].value, "60\u00A0MB/s");
  EXPECT_EQ(tiles[3].value, DisplayFormat::durationText(140)) << "100 s of writing and 40 s of reading";
  // Written down into the card, read up out of it: the two speeds' symbols mirror each other.
  EXPECT_EQ(tiles[1].symbol, "square.and.arrow.down");
  EXPECT_EQ(tiles[2].symbol, "square.and.arrow.up");
  full.manifest.writeDuration = 0.3;
  full.readDuration = 0.1;
  EXPECT_EQ(OutcomePanelModel::stats(full)[3].value, DisplayFormat::durationText(1)) << "at least a second";
  full.readDuration = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(OutcomePanelModel::stats(full)[3].value, "—");

  CheckOutcome fake = outcome(Verdict::fake);
  fake.method = Method::quick;
  fake.realBytes = 7'000'000'000;
  fake.quick = fakeQuickResult(7'000'000'000, 15'500'000'000);
  EXPECT_EQ(OutcomePanelModel::headlineOf(fake).lostFrom, 15'500'000'000u);
  EXPECT_EQ(OutcomePanelModel::headlineOf(fake).testedBytes, std::nullopt);
  fake.full = full;
  EXPECT_EQ(OutcomePanelModel::headlineOf(fake).lostFrom, std::nullopt);
  EXPECT_EQ(OutcomePanelModel::headlineOf(fake).testedBytes, 31'912'345'678u);
}

std::vector<QString> labelsOf(const std::vector<ReportCardRow>& rows) {
  std::vector<QString> labels;
  for (const ReportCardRow& row : rows) labels.push_back(row.label);
  return labels;
}

TEST(ReportCard, RowsWithNeitherSpeedNorAdvancedTest) {
  const auto rows = ReportCardModel::rows(outcome(Verdict::inconclusive), {});
  EXPECT_EQ(labelsOf(rows), (std::vector<QString>{"Capacity", "Data", "Health", "Brand"}));
  EXPECT_EQ(rows[0].claimed, "64\u00A0GB");
  EXPECT_EQ(rows[3].claimed, "Not given");
  EXPECT_EQ(rows[3].measured, "Chip not visible");
  EXPECT_TRUE(rows[3].toneSecondary);
  EXPECT_EQ(rows[3].toneSymbol, "minus.circle");
}

TEST(ReportCard, ARatingDecidesTheSpeedRowsOverTheAdvancedTest) {
  CheckOutcome checked = outcome(Verdict::genuine);
  checked.full = fullResult(64'000'000'000, Sectors{.ok = 10});
  const auto fullOnly = ReportCardModel::rows(checked, {});
  EXPECT_EQ(labelsOf(fullOnly),
            (std::vector<QString>{"Capacity", "Write speed", "Read speed", "Data", "Health", "Brand"}));
  EXPECT_EQ(fullOnly[1].measured, "20\u00A0MB/s");
  EXPECT_EQ(fullOnly[1].claimed, "—");
  EXPECT_TRUE(fullOnly[1].toneSecondary);
  EXPECT_EQ(fullOnly[2].measured, "60\u00A0MB/s");

  checked.zone = cleanZone();
  checked.speed = rating(BusMode::uhs, {SpeedClass::class2, SpeedClass::class4, SpeedClass::class6,
                                        SpeedClass::class10});
  ReportCardModel::Card card;
  card.device.registers = CardRegisters{};
  card.device.registers->speedClassCode = 4;
  card.brandName = "SanDisk";
  card.xrayVerdict = XRayReport::Verdict::noRedFlags;
  const auto rated = ReportCardModel::rows(checked, card);
  EXPECT_EQ(rated[1].measured, "41\u00A0MB/s");
  EXPECT_EQ(rated[1].claimed, "Class 10");
  EXPECT_TRUE(rated[1].speedMarks);
  EXPECT_EQ(rated[1].toneColor, Palette::green());
  EXPECT_FALSE(rated[1].badges.isEmpty());
  EXPECT_EQ(rated[2].measured, "90\u00A0MB/s");
  EXPECT_EQ(rated[5].claimed, "SanDisk");
  EXPECT_EQ(rated[5].measured, "No red flags");
  EXPECT_EQ(rated[5].toneColor, Palette::green());
}

TEST(ReportCard, USBDriveHasANeutralMarkAndNoBadgesLostDataARedMarkAndNoBadges) {
  CheckOutcome checked = outcome(Verdict::likelyGenuine);
  checked.zone = cleanZone();
  checked.speed = rating(BusMode::legacy, {SpeedClass::class2, SpeedClass::class4, SpeedClass::class6,
                                           SpeedClass::class10});
  ReportCardModel::Card drive;
  drive.isUSBDrive = true;
  const auto driveRows = ReportCardModel::rows(checked, drive);
  EXPECT_TRUE(driveRows[1].toneSecondary);
  EXPECT_TRUE(driveRows[1].badges.isEmpty());
  EXPECT_EQ(driveRows[2].measured, "90\u00A0MB/s") << "a USB drive has no SD bus to lack UHS on";
  EXPECT_TRUE(driveRows[2].toneSecondary);

  checked.speed = rating(BusMode::uhs, {}, true);
  const auto lostRows = ReportCardModel::rows(checked, {});
  EXPECT_EQ(lostRows[1].toneSymbol, "xmark.circle.fill");
  EXPECT_EQ(lostRows[1].toneColor, Palette::red());
  EXPECT_TRUE(lostRows[1].badges.isEmpty());
}

// The report card says where its speeds were measured when the advanced test's averages
// stand on the same page; the stat tiles are the symbol, the figure and its title alone.
TEST(ReportCard, SpeedRowsSayWhereOnlyBesideTheAdvancedTestsTilesAndTheTilesCarryNoNote) {
  const QString zoneWhere = "at the start of the card";
  const FullTestResult full = fullResult(64'000'000'000, Sectors{.ok = 10});
  const struct {
    const char* name;
    bool advanced;
    bool rated;
    QString speedRowsWhere;  // none when there are no speed rows
  } cases[] = {
      {"advanced test and rating", true, true, zoneWhere},
      {"advanced test alone", true, false, ""},
      {"quick check with its zone", false, true, ""},
  };
  for (const auto& c : cases) {
    CheckOutcome checked = outcome(Verdict::genuine);
    if (c.advanced) checked.full = full;
    if (c.rated) {
      checked.zone = cleanZone();
      checked.speed = rating(BusMode::uhs, {SpeedClass::class10});
    }
    const auto rows = ReportCardModel::rows(checked, {});
    ASSERT_EQ(rows[1].label, "Write speed") << c.name;
    EXPECT_EQ(rows[1].measuredWhere, c.speedRowsWhere) << c.name;
    EXPECT_EQ(rows[2].measuredWhere, c.speedRowsWhere) << c.name;
    EXPECT_EQ(rows[3].measuredWhere, "") << c.name << ": the data row is no speed";
  }
  // A tile is a gadget of exactly symbol, title and value: nothing else reaches the view.
  const QMetaObject& tile = FigureRow::staticMetaObject;
  QStringList properties;
  for (int i = tile.propertyOffset(); i < tile.propertyCount(); ++i) properties.append(tile.property(i).name());
  EXPECT_EQ(properties, (QStringList{"symbol", "title", "value"}));
}

QStringList badgeLabels(const QVariantList& badges) {
  QStringList labels;
  for (const QVariant& variant : badges) {
    const auto badge = variant.value<ReportCardBadge>();
    labels.append(badge.label + ":" + badge.check);
  }
  return labels;
}

TEST(ReportCard, MarkingsThisReaderCannotJudgeFollowThoseMetInOneRow) {
  CheckOutcome checked = outcome(Verdict::genuine);
  checked.zone = cleanZone();
  // Meets C10, U1 and V10 in a reader too slow to show U3 or V30.
  checked.speed = rating(BusMode::uhs, {SpeedClass::class2, SpeedClass::class4, SpeedClass::class6, SpeedClass::class10,
                                        SpeedClass::u1, SpeedClass::v6, SpeedClass::v10});
  checked.speed->readerCeiling = 20e6;
  const auto rows = ReportCardModel::rows(checked, {});
  EXPECT_EQ(badgeLabels(rows[1].badges), (QStringList{"C10:met", "U1:met", "V10:met", "U3:unknown", "V30:unknown"}));
}

}  // namespace
}  // namespace tessorin
