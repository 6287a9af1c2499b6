#include <QLocale>
#include <gtest/gtest.h>

#include "theme/Palette.hpp"
#include "card/progress/ProvisionalBannerModel.hpp"

namespace tessorin {
namespace {

using Stage = QuickProbeResult::Stage;

class ProvisionalBannerTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

// A fake card whose first probe is good and whose others fail: it holds at least `low`
// bytes and loses data from `high` on.
QuickProbeResult fakeBetween(std::uint64_t low, std::uint64_t high, Stage completed) {
  QuickProbeResult quick;
  quick.probeSize = 1'000'000;
  quick.usedBytes = low - 1'000'000;
  quick.layout.zoneBytes = 0;
  quick.layout.spacing = high - quick.usedBytes;
  quick.layout.slotCount = 4;
  quick.outcomes = {ProbeOutcome::ok, ProbeOutcome::stale, ProbeOutcome::stale, ProbeOutcome::blank};
  quick.volumeBytes = 64'000'000'000;
  quick.completed = completed;
  return quick;
}

QuickProbeResult passed(Stage completed) {
  QuickProbeResult quick;
  quick.outcomes = {ProbeOutcome::ok, ProbeOutcome::ok, ProbeOutcome::ok};
  quick.volumeBytes = 32'000'000'000;
  quick.completed = completed;
  return quick;
}

TEST_F(ProvisionalBannerTest, AFakeCardsRangeNarrowsFromBetweenToAbout) {
  using Banner = ProvisionalBannerModel;
  EXPECT_EQ(Banner::looks(fakeBetween(10'000'000'000, 10'500'000'000, Stage::coarse)).explanation,
            "Real capacity about 10\u00A0GB. Confirming…")
      << "a width of exactly a twentieth is narrow";
  EXPECT_EQ(Banner::looks(fakeBetween(10'000'000'000, 10'600'000'000, Stage::fine)).explanation,
            "It really holds between 10\u00A0GB and 10\u00A0GB. More probes will narrow it down.");
  EXPECT_EQ(Banner::looks(fakeBetween(900'500'000, 1'999'000'000, Stage::coarse)).explanation,
            "It really holds between 900\u00A0MB and 1\u00A0GB. More probes will narrow it down.");
  EXPECT_EQ(Banner::looks(fakeBetween(900'500'000, 1'999'000'000, Stage::zone)).explanation,
            "Real capacity about 900\u00A0MB. Confirming…")
      << "a finished quick check gives its lower end";
  const auto looks = Banner::looks(fakeBetween(900'500'000, 1'999'000'000, Stage::coarse));
  EXPECT_EQ(looks.headline, "So far: fake");
  EXPECT_EQ(looks.symbol, "xmark.seal.fill");
  EXPECT_EQ(looks.tint, Palette::red());
  EXPECT_TRUE(looks.notes.empty()) << "a fake card gets no free-space note";
}

TEST_F(ProvisionalBannerTest, HeadlinesMoveFromSoFarToQuickCheckOnceTheZoneHasRun) {
  const auto provisional = ProvisionalBannerModel::looks(passed(Stage::fine));
  EXPECT_EQ(provisional.headline, "So far: no sign of fakery");
  EXPECT_EQ(provisional.explanation, "Probes intact so far: 3. The next stages look closer.");
  const auto done = ProvisionalBannerModel::looks(passed(Stage::zone));
  EXPECT_EQ(done.headline, "Quick check: no sign of fakery");
  EXPECT_EQ(done.explanation, "Confirming byte by byte. You can stop at any time and keep this answer.");
  EXPECT_EQ(done.iconColor, Palette::green());
  // While the quick check still tidies up, the advanced test has not begun: nothing to stop yet.
  EXPECT_EQ(ProvisionalBannerModel::looks(passed(Stage::zone), false).explanation,
            "The advanced test comes next and checks every byte.");
}

TEST_F(ProvisionalBannerTest, DamagedBlamesTheZoneOnlyWhenTheZoneCameBackWrong) {
  QuickProbeResult quick = passed(Stage::fine);
  quick.outcomes = {ProbeOutcome::ok, ProbeOutcome::corrupted, ProbeOutcome::ok, ProbeOutcome::ok};
  const auto probes = ProvisionalBannerModel::looks(quick);
  EXPECT_EQ(probes.headline, "So far: damaged");
  EXPECT_EQ(probes.explanation, "Some probes came back wrong: the card doesn’t keep everything it’s given.");
  EXPECT_EQ(probes.iconColor, Palette::amber());
  EXPECT_EQ(probes.tint, Palette::red());
  quick.zone = ZoneResult::make(64'000'000, 1, {}, 1, {}, SectorTally{}, false);
  quick.completed = Stage::zone;
  EXPECT_EQ(ProvisionalBannerModel::looks(quick).explanation,
            "Some probes came back wrong: the card doesn’t keep everything it’s given.")
      << "a clean zone also blames the probes";
  quick.zone->tally.corrupted = 1;
  EXPECT_EQ(ProvisionalBannerModel::looks(quick).headline, "Quick check: damaged");
  EXPECT_EQ(ProvisionalBannerModel::looks(quick).explanation,
            "What was written to the start of the card came back wrong.");
}

TEST_F(ProvisionalBannerTest, InconclusiveIsAnAmberIconOnGreen) {
  QuickProbeResult quick = passed(Stage::coarse);
  quick.outcomes = {ProbeOutcome::stale, ProbeOutcome::stale, ProbeOutcome::blank};
  const auto looks = ProvisionalBannerModel::looks(quick);
  ASSERT_EQ(quick.verdict(), QuickProbeResult::Verdict::inconclusive);
  EXPECT_EQ(looks.headline, "So far: a few probes failed");
  EXPECT_EQ(looks.explanation, "The advanced test will tell whether the card is damaged or fake.");
  EXPECT_EQ(looks.symbol, "questionmark.diamond.fill");
  EXPECT_EQ(looks.iconColor, Palette::amber());
  EXPECT_EQ(looks.tint, Palette::green());
}

TEST_F(ProvisionalBannerTest, NotesForLostProbesLittleFreeSpaceAndSlowWrites) {
  QuickProbeResult half = passed(Stage::fine);
  half.usedBytes = 16'000'000'000;
  EXPECT_TRUE(ProvisionalBannerModel::looks(half).notes.empty()) << "exactly half free";
  QuickProbeResult full = half;
  full.usedBytes = 16'000'000'001;
  full.lostAfterVerifying = 2;
  full.writeSeconds = {0.5, 0.6, 3.0, 0.5};
  auto notes = ProvisionalBannerModel::looks(full).notes;
  ASSERT_EQ(notes.size(), 2u) << "a 3 s probe write is not a stall";
  EXPECT_EQ(notes[0].text,
            "Probes that had read back fine were gone minutes later: the card only pretended to keep them.");
  EXPECT_EQ(notes[0].color, Palette::red());
  EXPECT_EQ(notes[1].text,
            "Only 16\u00A0GB of the card was free, so the probes covered only that part. A fake shows itself only "
            "past its real size.");
  EXPECT_EQ(notes[1].symbol, "exclamationmark.triangle.fill");
  full.writeSeconds = {0.5, 0.6, 75.2, 0.5};
  notes = ProvisionalBannerModel::looks(full).notes;
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[2].text, "The card took up to 1m\u00A015s to accept a single probe: it’s struggling.");
  EXPECT_EQ(notes[2].symbol, "tortoise.fill");
}

}  // namespace
}  // namespace tessorin
