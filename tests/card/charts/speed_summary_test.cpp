#include <QLocale>
#include <gtest/gtest.h>

#include "card/charts/SpeedSummaryModel.hpp"

namespace tessorin {
namespace {

class SpeedSummaryTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

// A zone of 64 MB written at `write` and read back at `read` bytes per second.
ZoneResult zone(double write, double read, std::vector<double> segments = {}) {
  if (segments.empty()) segments = {write, write, write};
  return ZoneResult::make(64'000'000, 64'000'000 / write, segments, 64'000'000 / read, {read}, SectorTally{}, false);
}

SpeedSummaryInput sdCard(const ZoneResult& measured, std::optional<double> ceiling = std::nullopt,
                         std::optional<double> usbLink = std::nullopt) {
  return {measured, SpeedRating::rate(measured, ceiling), true, usbLink};
}

QStringList labels(const std::vector<MarkingBadge>& badges) {
  QStringList list;
  for (const MarkingBadge& badge : badges) list.append(badge.label + ":" + badge.check);
  return list;
}

TEST_F(SpeedSummaryTest, ASlowCardInASlowReaderMeetsMissesAndCannotJudgeAndBlamesUSB2) {
  // Written at 5 MB/s, read at 8: C6 and V6 are within the reader's reach and missed, U1
  // is beyond it.
  const auto looks = SpeedSummaryModel::looks(sdCard(zone(5e6, 8e6), std::nullopt, 480'000'000));
  EXPECT_TRUE(looks.showsLivesUpTo);
  EXPECT_FALSE(looks.showsNoMarkingChip);
  EXPECT_EQ(labels(looks.markings), (QStringList{"C4:met", "U1:unknown"})) << "those met, then those undecided";
  EXPECT_EQ(labels(looks.missed), (QStringList{"C6:missed", "V6:missed"}));
  EXPECT_EQ(looks.readerNote,
            "This reader didn’t go faster than 8\u00A0MB/s, so it may be what holds the card back: U1 can’t be checked "
            "with it. A faster reader (USB 3, UHS-I) settles it. USB 2 readers stop at about 40\u00A0MB/s.");
  EXPECT_FALSE(looks.readerNoteWarns);
  EXPECT_EQ(looks.measuredText,
            "Measured over 64\u00A0MB at the start of the card. Write speeds include the card’s pauses, the way recording "
            "video does.");
  EXPECT_FALSE(SpeedSummaryModel::looks(sdCard(zone(5e6, 8e6), std::nullopt, 1'000'000'000))
                   .readerNote.contains("USB 2"))
      << "a link of exactly 10^9 bits per second is USB 3";
}

// Which row each marking lands in follows the rating's rules: a reader whose fastest
// speed lacks a tenth of room over a marking cannot judge it, however far below it the
// card writes, and its question mark stands after the markings met; a reader with that
// room judges it missed unless the card writes close to the reader's own top.
TEST_F(SpeedSummaryTest, EachMarkingLandsInTheRowTheRatingRulesGiveIt) {
  const struct {
    const char* name;
    double write;
    double read;
    std::optional<double> rememberedCeiling;
    QStringList livesUpTo;
    QStringList missed;
    bool readerNote;
  } cases[] = {
      {"slow card, slow reader", 11e6, 19e6, std::nullopt,
       {"C10:met", "U1:met", "V10:met", "U3:unknown", "V30:unknown"}, {}, true},
      {"slow card, fast reader", 12e6, 40e6, std::nullopt, {"C10:met", "U1:met", "V10:met"},
       {"U3:missed", "V30:missed"}, false},
      {"card at the reader's top", 27e6, 28e6, std::nullopt,
       {"C10:met", "U1:met", "V10:met", "U3:unknown", "V30:unknown"}, {}, true},
      {"old bus in a fast reader", 18e6, 20e6, 90e6, {"C10:met", "V10:met"}, {"U1:missed", "V30:missed"}, true},
      {"fast card", 45e6, 90e6, std::nullopt, {"C10:met", "U3:met", "V30:met"}, {"V60:missed"}, false},
      {"very slow card, very slow reader", 5e6, 8e6, std::nullopt, {"C4:met", "U1:unknown"},
       {"C6:missed", "V6:missed"}, true},
  };
  for (const auto& c : cases) {
    const auto looks = SpeedSummaryModel::looks(sdCard(zone(c.write, c.read), c.rememberedCeiling));
    EXPECT_EQ(labels(looks.markings), c.livesUpTo) << c.name;
    EXPECT_EQ(labels(looks.missed), c.missed) << c.name;
    EXPECT_EQ(!looks.readerNote.isEmpty(), c.readerNote) << c.name;
  }
}

TEST_F(SpeedSummaryTest, NoMarkingShowsTheRedChip) {
  const auto looks = SpeedSummaryModel::looks(sdCard(zone(1.5e6, 30e6)));
  EXPECT_TRUE(looks.showsLivesUpTo);
  EXPECT_TRUE(looks.showsNoMarkingChip);
  EXPECT_TRUE(looks.markings.empty());
}

TEST_F(SpeedSummaryTest, MarkingsTheReaderCannotDecideStandBesideNoSpeedMarking) {
  // Written at 1.5 MB/s in a reader that went no faster than 1.7: not even C2 is met, and
  // the reader has no room to show that the card falls short of C2, U1 or V6.
  const auto looks = SpeedSummaryModel::looks(sdCard(zone(1.5e6, 1.7e6)));
  EXPECT_TRUE(looks.showsNoMarkingChip);
  EXPECT_EQ(labels(looks.markings), (QStringList{"C2:unknown", "U1:unknown", "V6:unknown"}));
  EXPECT_TRUE(looks.missed.empty());
}

TEST_F(SpeedSummaryTest, ALegacyBusCardGetsTheAmberUHSSentence) {
  const auto looks = SpeedSummaryModel::looks(sdCard(zone(18e6, 20e6), 90e6));
  ASSERT_EQ(looks.readerNoteWarns, true);
  EXPECT_TRUE(looks.readerNote.startsWith("It reads no faster than the old SD bus allows (25\u00A0MB/s)"));
  EXPECT_TRUE(labels(looks.missed).contains("U1:missed")) << "the Doesn’t reach row shows beside it";
}

TEST_F(SpeedSummaryTest, LostDataShowsOnlyTheRedLineAndUSBDrivesNoMarkingsAtAll) {
  ZoneResult failed = zone(20e6, 40e6);
  failed.writeFailed = true;
  const auto lost = SpeedSummaryModel::looks(sdCard(failed));
  EXPECT_EQ(lost.dataLostText, "The card lost what it was given, so how fast it took it proves nothing.");
  EXPECT_FALSE(lost.showsLivesUpTo);
  EXPECT_TRUE(lost.missed.empty());
  EXPECT_EQ(lost.readerNote, "");

  SpeedSummaryInput drive = sdCard(failed, std::nullopt, 480'000'000);
  drive.isSDCard = false;
  drive.zone.randomReadIOPS = 900;
  const auto usb = SpeedSummaryModel::looks(drive);
  EXPECT_EQ(usb.dataLostText, "");
  EXPECT_FALSE(usb.showsLivesUpTo);
  EXPECT_EQ(usb.readerNote, "");
  EXPECT_EQ(usb.usbNote, "") << "a USB drive has no reader to wait on";
  EXPECT_EQ(usb.measuredText, "Measured over 64\u00A0MB at the start of the drive. Write speeds include the drive’s "
                              "pauses, the way recording video does.");

  SpeedSummaryInput cardInReader = sdCard(zone(20e6, 40e6), std::nullopt, 480'000'000);
  cardInReader.zone.randomReadIOPS = 900;
  EXPECT_EQ(SpeedSummaryModel::looks(cardInReader).usbNote,
            "Through a USB reader every small access also waits on the reader, so random speeds come out lower than "
            "in a phone or camera.");
  cardInReader.zone.randomReadIOPS.reset();
  EXPECT_EQ(SpeedSummaryModel::looks(cardInReader).usbNote, "") << "no random read rate, no USB note";
}

TEST_F(SpeedSummaryTest, ThreePausesAreCounted) {
  EXPECT_EQ(SpeedSummaryModel::looks(sdCard(zone(20e6, 40e6))).pausesText, "");
  const auto looks = SpeedSummaryModel::looks(sdCard(zone(15e6, 40e6, {20e6, 20e6, 20e6, 20e6, 20e6, 2e6, 2e6, 2e6})));
  EXPECT_EQ(looks.pausesText, "Pauses while writing: 3");
}

}  // namespace
}  // namespace tessorin
