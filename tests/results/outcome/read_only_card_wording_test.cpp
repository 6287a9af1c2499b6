// What the result displays say of a worn card that turned read-only, from real checks of
// the simulated card: the quick check's speed stage and the advanced test's writing are
// refused, the session finishes with those results, and the report card, the speed box
// and the decision say the card stopped taking writes, never that it loses data. The same
// results with one lost sector read back are a card that loses data, worded as such.

#include <algorithm>
#include <atomic>
#include <cerrno>

#include <gtest/gtest.h>

#include "../session/SessionFixture.hpp"
#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "FinishedCheckSeam.hpp"
#include "SmallCardQuickOptions.hpp"
#include "card/charts/SpeedSummaryModel.hpp"
#include "results/decision/DecisionPanelModel.hpp"
#include "results/outcome/OutcomeNote.hpp"
#include "results/outcome/OutcomePanelModel.hpp"
#include "results/outcome/ReportCardModel.hpp"
#include "tessorin/full/FullTest.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;
using testing::CounterfeitCard;
using testing::FileSystemKind;

// A quick check on an exFAT card that turns read-only once its random writes begin.
QuickProbeResult quickCheckTurningReadOnlyInItsSpeedStage() {
  auto card = CounterfeitCard::make({.claimed = 512_MiB, .fileSystem = FileSystemKind::exfat, .readOnlyError = EIO});
  QuickProbe::Options options = testing::smallCardQuickOptions();
  options.zone.randomSeconds = 0.5;
  std::atomic<bool> turned{false};
  return QuickProbe(card->mountPoint(), options)
      .run([&](const QuickProbe::Progress& progress) {
        if (progress.phase == QuickProbe::Progress::Phase::zone && progress.randomWrites && !turned.exchange(true)) {
          card->turnReadOnlyAfter(0);
        }
      })
      .result();
}

// An advanced test on an ext4 card that turns read-only after 64 MiB.
FullTestResult advancedTestTurningReadOnly() {
  auto card = CounterfeitCard::make(
      {.claimed = 384_MiB, .fileSystem = FileSystemKind::ext4, .readOnlyAfterBytesWritten = 64_MiB});
  FullTest::Options options;
  options.fileSize = 128_MiB;
  return FullTest(card->mountPoint(), options).run().result();
}

struct Shown {
  QString data, health, speedBox, decision;
  QStringList notes;
};

Shown shownFor(FinishedCheckSeam::Results results) {
  testing::SessionWorld world;
  CardDevice device;
  device.id = "worn-card";
  device.volumeURL = "/nonexistent/worn-card";
  device.volumeName = "WORN";
  device.mediaBytes = 512_MiB;
  device.connection = CardDevice::Connection::builtInReader();
  CardSession session(device, &world.history, world.settings, testing::smallCardEnvironment());
  const std::optional<QuickProbeResult> quick = results.quick;
  FinishedCheckSeam::finish(session, std::move(results));

  OutcomePanelModel panel;
  panel.setSession(&session);
  ReportCardModel card;
  card.setSession(&session);
  card.setOutcome(panel.outcome());
  Shown shown;
  for (const QVariant& row : card.rowList()) {
    const auto cells = row.value<ReportCardRow>();
    if (cells.label == "Data") shown.data = cells.measured;
    if (cells.label == "Health") shown.health = cells.measured;
  }
  for (const QVariant& note : panel.noteList()) shown.notes.append(note.value<OutcomeNote>().text);
  if (panel.showsSpeed()) shown.speedBox = SpeedSummaryModel::looks(panel.speedSummary()).dataLostText;
  if (quick) shown.decision = DecisionPanelModel::findings(quick).sentence;
  return shown;
}

const QString readOnlyData = "what it took still reads back";
const QString readOnlyHealth = "turned read-only, takes no more writes";
const QString readOnlySpeedBox =
    "The card stopped accepting writes while it was measured, so how fast it took them proves nothing.";
const QString readOnlyDecision =
    "The card stopped accepting writes during the check. What it took still reads back, but it takes nothing new.";

TEST(ReadOnlyCardWording, QuickCheckRefusedInItsSpeedStageSaysReadOnlyAndALostSectorSaysLosesData) {
  TESSORIN_REQUIRE_VOLUMES();
  const QuickProbeResult refused = quickCheckTurningReadOnlyInItsSpeedStage();
  ASSERT_EQ(refused.verdict(), QuickProbeResult::Verdict::damaged);
  ASSERT_EQ(refused.writeRefusal(), WriteRefusal::readOnly);
  ASSERT_TRUE(refused.zone && refused.zone->writeFailed);

  const Shown readOnly = shownFor({.quick = refused});
  EXPECT_EQ(readOnly.data, readOnlyData);
  EXPECT_EQ(readOnly.health, readOnlyHealth);
  EXPECT_EQ(readOnly.speedBox, readOnlySpeedBox);
  EXPECT_EQ(readOnly.decision, readOnlyDecision);

  QuickProbeResult losing = refused;
  losing.zone->tally.corrupted = 1;
  // A segment or probe write the busy test machine slowed down would count as a stall and
  // take the health row's place; the card this stands for writes steadily and only loses
  // the sector.
  std::fill(losing.zone->writeSegments.begin(), losing.zone->writeSegments.end(), losing.zone->medianWriteSegment());
  for (double& seconds : losing.writeSeconds) seconds = seconds > 0 ? 0.01 : 0;
  ASSERT_EQ(losing.writeRefusal(), WriteRefusal::losesData);
  const Shown losesData = shownFor({.quick = losing});
  EXPECT_EQ(losesData.data, "the start of the card loses data");
  EXPECT_EQ(losesData.health, "doesn’t keep what it’s given");
  EXPECT_EQ(losesData.speedBox, "The card lost what it was given, so how fast it took it proves nothing.");
  EXPECT_EQ(losesData.decision,
            "What was written to the start of the card, where even a fake card has real memory, came back wrong. "
            "This card doesn’t keep what it’s given.");
}

TEST(ReadOnlyCardWording, AdvancedTestRefusedWhileWritingSaysReadOnlyAndUnreadableSectorsPastTheStopSayLosesData) {
  TESSORIN_REQUIRE_VOLUMES();
  const FullTestResult refused = advancedTestTurningReadOnly();
  ASSERT_EQ(refused.verdict(), FullTestResult::Verdict::damaged);
  ASSERT_EQ(refused.writeRefusal(), WriteRefusal::readOnly);

  const Shown readOnly = shownFor({.full = refused});
  EXPECT_EQ(readOnly.data, readOnlyData);
  EXPECT_EQ(readOnly.health, readOnlyHealth);

  // ext4 may remount itself read-only on the card's first error, before the test's own
  // write meets the card: the write then stops on EROFS rather than EIO. The card is the
  // same, and so are the words.
  FullTestResult otherCode = refused;
  otherCode.manifest.writeStop.code = refused.manifest.writeStop.code == EROFS ? EIO : EROFS;
  const Shown remounted = shownFor({.full = otherCode});
  EXPECT_EQ(remounted.data, readOnly.data);
  EXPECT_EQ(remounted.health, readOnly.health);
  EXPECT_EQ(remounted.speedBox, readOnly.speedBox);
  EXPECT_EQ(remounted.notes, readOnly.notes);

  FullTestResult losing = refused;
  losing.pastStop.unreadable = 16;
  ASSERT_EQ(losing.writeRefusal(), WriteRefusal::losesData);
  const Shown losesData = shownFor({.full = losing});
  EXPECT_EQ(losesData.data, "every byte came back");
  EXPECT_EQ(losesData.health, "doesn’t keep what it’s given");
}

}  // namespace
}  // namespace tessorin
