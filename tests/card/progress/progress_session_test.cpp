// The progress presenters over real sessions: states set through the session's own
// setters and progress handlers, and whole checks of cards from the counterfeit-card
// harness.

#include <cmath>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QLocale>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "../session/SessionFixture.hpp"
#include "card/progress/FullProgressPanelModel.hpp"
#include "card/progress/NotRespondingNoteModel.hpp"
#include "card/progress/PanelActions.hpp"
#include "card/progress/ProvisionalBannerModel.hpp"
#include "card/progress/QuickProgressPanelModel.hpp"
#include "card/progress/ReinsertPanelModel.hpp"
#include "card/progress/StageTrackModel.hpp"
#include "card/progress/StopButtonModel.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using namespace testing::literals;
using testing::CounterfeitCard;
using testing::turnLoopUntil;
using Kind = CardSessionStage::Kind;
using Phase = FullTest::Progress::Phase;
using QuickPhase = QuickProbeProgress::Phase;
using QuickStep = QuickProbeProgress::Step;

class ProgressSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override {
    QLocale::setDefault(QLocale::system());
    NotRespondingNoteModel::setClock(nullptr);
  }
};

void settle() { QCoreApplication::processEvents(); }

CardDevice unmountedCard() {
  CardDevice device;
  device.id = "CARD";
  device.volumeURL = "/nonexistent/CARD";
  device.volumeName = "CARD";
  device.mediaBytes = 8_GiB;
  return device;
}

struct Standing {
  testing::SessionWorld world;
  CardSession session{unmountedCard(), &world.history, world.settings, testing::smallCardEnvironment()};
};

TEST_F(ProgressSessionTest, AZoneOnlyRunShowsTheSpeedStageWithCapacityStruckThrough) {
  Standing s;
  s.session.setQuickSkipped(QuickProbe::Unsupported::fileSystem("msdos"));
  QuickProbeProgress progress(QuickPhase::zone, QuickStep::writing, 10, 64, 20e6);
  progress.fraction = 0.5;
  s.session.setStage(CardSessionStage::quick(progress));
  QuickProgressPanelModel panel;
  panel.setSession(&s.session);
  EXPECT_EQ(panel.title(), "Measuring the real speed");
  EXPECT_EQ(panel.percentText(), "35%");
  EXPECT_EQ(panel.stageStep(), StageTrackModel::Speed);
  EXPECT_TRUE(panel.probesSkipped());
  EXPECT_FALSE(panel.showsChart()) << "no write samples yet";
  EXPECT_FALSE(panel.showsProbeStrip());
  EXPECT_FALSE(panel.showsBanner());
}

TEST_F(ProgressSessionTest, TheZoneChartShowsFromTheSecondWriteSampleUntilTheZoneHasAResult) {
  Standing s;
  s.session.setStage(CardSessionStage::quick(QuickProbeProgress(QuickPhase::zone, QuickStep::writing, 0, 64)));
  QuickProgressPanelModel panel;
  panel.setSession(&s.session);
  s.session.applyProbeProgress(QuickProbeProgress(QuickPhase::zone, QuickStep::writing, 8, 64, 30e6));
  settle();
  EXPECT_FALSE(panel.showsChart());
  s.session.applyProbeProgress(QuickProbeProgress(QuickPhase::zone, QuickStep::writing, 16, 64, 31e6));
  settle();
  EXPECT_TRUE(panel.showsChart());
  EXPECT_EQ(panel.chartInput().write.size(), 2u);
  EXPECT_FALSE(panel.showsSpeedSummary());
  s.session.setZoneResult(ZoneResult::make(64_MiB, 2, {30e6, 31e6}, 1, {60e6}, SectorTally{}, false));
  settle();
  EXPECT_FALSE(panel.showsChart()) << "the speed box takes the chart's place";
  EXPECT_TRUE(panel.showsSpeedSummary());
  EXPECT_TRUE(panel.speedSummaryInput().isSDCard);
}

TEST_F(ProgressSessionTest, OneAdvancedTestReportIsOneRecomputation) {
  Standing s;
  s.session.setStage(CardSessionStage::full(Phase::writing));
  FullProgressPanelModel panel;
  panel.setSession(&s.session);
  int changes = 0;
  QObject::connect(&panel, &FullProgressPanelModel::changed, [&] { ++changes; });
  const int before = panel.recomputations();
  FullTest::Progress report;
  report.phase = Phase::writing;
  report.bytesDone = 1_GiB;
  report.bytesTotal = 2_GiB;
  report.bytesPerSecond = 20e6;
  report.map = CapacityMap(2_GiB);
  report.map.markWritten(0, 1_GiB);
  report.newSamples = {{512_MiB, 20e6}, {1_GiB, 21e6}};
  s.session.applyFullProgress(report);
  settle();
  EXPECT_EQ(panel.recomputations(), before + 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(panel.percentText(), "38%");
  EXPECT_TRUE(panel.showsMap());
  EXPECT_TRUE(panel.showsChart());
  EXPECT_TRUE(panel.showsToggle());
  report.phase = Phase::verifying;
  report.bytesDone = 0;
  report.newSamples = {};
  s.session.applyFullProgress(report);
  settle();
  EXPECT_EQ(panel.recomputations(), before + 2);
  EXPECT_FALSE(panel.showsToggle()) << "the setting no longer matters once reading back began";
  EXPECT_EQ(panel.phaseTitle(), "Checking every byte");
}

TEST_F(ProgressSessionTest, TheNoteShowsAfterTwentySecondsOfSilenceAndANewReportClearsIt) {
  Standing s;
  s.session.setStage(CardSessionStage::full(Phase::writing));
  const QDateTime last = s.session.lastProgress();
  NotRespondingNoteModel note;
  note.setSession(&s.session);
  NotRespondingNoteModel::setClock([last] { return last.addSecs(20); });
  note.tick();
  EXPECT_FALSE(note.shown());
  NotRespondingNoteModel::setClock([last] { return last.addSecs(75); });
  note.tick();
  EXPECT_TRUE(note.text().contains("hasn’t answered for 1m\u00A015s."));
  NotRespondingNoteModel::setClock(nullptr);
  QThread::msleep(5);  // a report in the session's first millisecond would not move lastProgress
  FullTest::Progress report;
  report.phase = Phase::writing;
  s.session.applyFullProgress(report);
  EXPECT_FALSE(note.shown()) << "a report clears the note at once";
}

QStringList metricValues(const ProgressPanelModel& panel) {
  QStringList values;
  for (const QVariant& figure : panel.figures()) values.append(figure.value<MetricValue>().value);
  return values;
}

FullTest::Progress writingReport(std::uint64_t total, std::uint64_t done, double speed) {
  FullTest::Progress report;
  report.phase = Phase::writing;
  report.bytesDone = done;
  report.bytesTotal = total;
  report.bytesPerSecond = speed;
  report.map = CapacityMap(total);
  report.map.markWritten(0, done);
  report.newSamples = {{done / 2, speed}, {done, speed}};
  return report;
}

TEST_F(ProgressSessionTest, ASilentCardShowsNoLiveSpeedAndNoStandingTimeLeftUntilItAnswers) {
  Standing s;
  s.session.setStage(CardSessionStage::full(Phase::writing));
  FullProgressPanelModel panel;
  panel.setSession(&s.session);
  s.session.applyFullProgress(writingReport(64_GiB, 16_GiB, 40e6));
  settle();
  const QStringList live = metricValues(panel);
  ASSERT_EQ(live.size(), 3);
  EXPECT_EQ(live[0], "40\u00A0MB/s");
  EXPECT_NE(live[2], "—");

  const QDateTime last = s.session.lastProgress();
  NotRespondingNoteModel::setClock([last] { return last.addSecs(20); });
  QTest::qWait(1200);  // the panel looks once a second; the card itself sends nothing
  EXPECT_EQ(metricValues(panel), live) << "twenty seconds is still an ordinary pause";

  NotRespondingNoteModel::setClock([last] { return last.addSecs(48); });
  ASSERT_TRUE(turnLoopUntil([&] { return metricValues(panel)[0] == "—"; }, 5s));
  EXPECT_EQ(metricValues(panel), QStringList({"—", live[1], "Waiting for the card…"}))
      << "the amount written stays: it is what the card took";

  NotRespondingNoteModel::setClock(nullptr);
  QThread::msleep(5);
  s.session.applyFullProgress(writingReport(64_GiB, 17_GiB, 38e6));
  settle();
  EXPECT_EQ(metricValues(panel)[0], "38\u00A0MB/s") << "the card's next report makes the figures live again";
  EXPECT_NE(metricValues(panel)[2], "Waiting for the card…");
}

TEST_F(ProgressSessionTest, ASilentCardInTheSpeedZoneShowsNoLiveSpeedButKeepsTheAmount) {
  Standing s;
  s.session.setStage(CardSessionStage::quick(QuickProbeProgress(QuickPhase::zone, QuickStep::writing, 0, 1024)));
  s.session.applyProbeProgress(QuickProbeProgress(QuickPhase::zone, QuickStep::writing, 160, 1024, 30e6));
  const QDateTime last = s.session.lastProgress();
  NotRespondingNoteModel::setClock([last] { return last.addSecs(48); });
  QuickProgressPanelModel panel;
  panel.setSession(&s.session);
  const QStringList values = metricValues(panel);
  ASSERT_EQ(values.size(), 2);
  EXPECT_EQ(values[0], "—");
  EXPECT_TRUE(values[1].startsWith("167.8\u00A0MB / ")) << values[1].toStdString();
}

TEST_F(ProgressSessionTest, TheSpeedChartSpansTheCardsTestedSpaceAndTheZone) {
  Standing s;
  s.session.setStage(CardSessionStage::full(Phase::writing));
  FullProgressPanelModel full;
  full.setSession(&s.session);
  s.session.applyFullProgress(writingReport(1'990'000'000'000, 995'000'000'000, 25e6));
  settle();
  ASSERT_TRUE(full.showsChart());
  EXPECT_EQ(full.chartInput().extent, 1'990'000'000'000u) << "what the card map spans";

  Standing zone;
  zone.session.setStage(CardSessionStage::quick(QuickProbeProgress(QuickPhase::zone, QuickStep::writing, 0, 1024)));
  QuickProgressPanelModel quick;
  quick.setSession(&zone.session);
  for (const std::int64_t done : {64, 128}) {
    zone.session.applyProbeProgress(QuickProbeProgress(QuickPhase::zone, QuickStep::writing, done, 1024, 30e6));
  }
  settle();
  ASSERT_TRUE(quick.showsChart());
  EXPECT_EQ(quick.chartInput().extent, 1024_MiB) << "the zone, not the samples so far";
  QuickProbeProgress random(QuickPhase::zone, QuickStep::random, 0, 0, 2e6);
  random.operationsPerSecond = 500;
  zone.session.applyProbeProgress(random);
  settle();
  EXPECT_EQ(quick.chartInput().extent, 128_MiB) << "the random step counts no bytes: the writes' end stands";
}

TEST_F(ProgressSessionTest, TheReinsertPanelFollowsTheCardOutAndIn) {
  Standing s;
  s.session.setQuickSkipped(QuickProbe::Unsupported::slowAllocation());
  s.session.setStage(CardSessionStage::reinsert(false));
  ReinsertPanelModel panel;
  panel.setSession(&s.session);
  EXPECT_FALSE(panel.cardOut());
  EXPECT_EQ(panel.symbol(), "eject.circle.fill");
  EXPECT_EQ(panel.stepsDone(), 0);
  EXPECT_TRUE(panel.probesSkipped());
  s.session.setStage(CardSessionStage::reinsert(true));
  EXPECT_TRUE(panel.cardOut());
  EXPECT_EQ(panel.symbol(), "sdcard");
  EXPECT_EQ(panel.stepsDone(), 2) << "ejected and taken out; putting it back is still to do";
  EXPECT_EQ(panel.steps().front(), "Click Eject Card, or eject it in the file manager.");
}

// A quick check of a card from the harness with the quick panel's presenter attached.
struct Watched {
  testing::SessionWorld world;
  std::unique_ptr<CounterfeitCard> card;
  std::unique_ptr<CardSession> session;

  explicit Watched(CounterfeitCard::Options options) {
    card = CounterfeitCard::make(options);
    session = std::make_unique<CardSession>(testing::deviceFor(card->mountPoint(), card->loopDevice(), options.claimed),
                                            &world.history, world.settings, testing::smallCardEnvironment());
  }
  ~Watched() {
    session->stop();
    turnLoopUntil([this] { return !session->hasSuspendedCoroutine(); }, 60s);
  }
};

TEST_F(ProgressSessionTest, AWrapAroundFakeShowsLiveCellsThenSoFarFakeAroundItsTrueSize) {
  TESSORIN_REQUIRE_VOLUMES();
  // The card stands for a driver that reserves space without writing it, as the check's
  // options here do: exfat-fuse's zeros for the quick check's slots would otherwise wrap
  // over the file system's structures, and once a busy host let go of its copy of them
  // the quick check could end on a fake with no range for its true size.
  Watched watched({.claimed = 512_MiB,
                   .real = 128_MiB,
                   .mode = CounterfeitCard::Mode::wrap,
                   .unwrittenReservations = true});
  QuickProgressPanelModel panel;
  panel.setSession(watched.session.get());
  bool sawLiveCells = false;
  bool sawSoFarFake = false;
  std::optional<QuickProbeResult::CapacityRange> provisionalRange;
  QObject::connect(&panel, &QuickProgressPanelModel::changed, [&] {
    ASSERT_TRUE(std::isfinite(panel.fraction()));
    ASSERT_GE(panel.fraction(), 0);
    ASSERT_LE(panel.fraction(), 1);
    ASSERT_FALSE(panel.percentText().contains("nan", Qt::CaseInsensitive)) << panel.percentText().toStdString();
    if (panel.showsProbeStrip() && panel.probeStripInput().live) {
      const auto& probes = panel.probeStripInput().probes;
      sawLiveCells |= std::any_of(probes.begin(), probes.end(), [](ProbeCell c) { return c != ProbeCell::untested; });
    }
    if (panel.showsBanner() && ProvisionalBannerModel::looks(panel.bannerInput().quick).headline == "So far: fake") {
      sawSoFarFake = true;
      provisionalRange = panel.bannerInput().quick.realCapacityRange();
    }
  });
  watched.session->start();
  ASSERT_TRUE(turnLoopUntil([&] { return watched.session->stage().kind == Kind::decision; }, 180s));
  EXPECT_TRUE(sawLiveCells);
  EXPECT_TRUE(sawSoFarFake);
  ASSERT_TRUE(provisionalRange);
  const std::uint64_t trueSize = 128_MiB;
  EXPECT_LE(provisionalRange->lower, trueSize);
  EXPECT_GE(provisionalRange->upper + 16_MiB, trueSize) << "within one file system's overhead of the true size";
}

TEST_F(ProgressSessionTest, AnAdvancedTestFillsTheMapDrawsTheChartAndDropsTheToggleWhenReadingBack) {
  TESSORIN_REQUIRE_VOLUMES();
  Watched watched({.claimed = 384_MiB, .fileSystem = testing::FileSystemKind::ext4});
  FullProgressPanelModel panel;
  panel.setSession(watched.session.get());
  bool sawFilledCell = false;
  bool sawChart = false;
  bool toggleWhileVerifying = false;
  QObject::connect(&panel, &FullProgressPanelModel::changed, [&] {
    const CardSession& session = *watched.session;
    if (session.stage().kind != Kind::full) return;
    EXPECT_EQ(panel.showsChart(), session.full().writeSamples.size() >= 2);
    sawChart |= panel.showsChart();
    if (panel.showsMap()) {
      const auto cells = panel.mapInput().map.cells();
      sawFilledCell |= std::any_of(cells.begin(), cells.end(), [](auto c) { return c != CapacityMap::Cell::untested; });
    }
    if (session.stage().phase == Phase::verifying) toggleWhileVerifying |= panel.showsToggle();
  });
  watched.session->start();
  ASSERT_TRUE(turnLoopUntil([&] { return watched.session->stage().kind == Kind::finished; }, 180s));
  EXPECT_TRUE(sawFilledCell);
  EXPECT_TRUE(sawChart);
  EXPECT_FALSE(toggleWhileVerifying);
}

TEST_F(ProgressSessionTest, StopDuringTheAdvancedTestEndsWithAPartialResult) {
  TESSORIN_REQUIRE_VOLUMES();
  Watched watched({.claimed = 384_MiB, .fileSystem = testing::FileSystemKind::ext4});
  watched.card->setWriteRate(40_MiB);
  FullProgressPanelModel panel;
  panel.setSession(watched.session.get());
  watched.session->start();
  ASSERT_TRUE(turnLoopUntil([&] { return panel.showsChart(); }, 180s));
  PanelActions::stop(watched.session.get());
  ASSERT_TRUE(turnLoopUntil([&] { return watched.session->stage().kind == Kind::finished; }, 120s));
  EXPECT_TRUE(watched.session->fullStopped());
  ASSERT_TRUE(watched.session->outcome());
  EXPECT_TRUE(watched.session->outcome()->fullStopped);
}

// The question Escape asks gives the advanced test's own running time: the quick check
// before it counts for nothing, and a Stop button first shown for the read-back counts
// from the advanced test's start, not from the read-back's.
TEST_F(ProgressSessionTest, TheStopQuestionCountsTheAdvancedTestFromItsOwnStart) {
  TESSORIN_REQUIRE_VOLUMES();
  Watched watched({.claimed = 384_MiB, .fileSystem = testing::FileSystemKind::ext4});
  watched.card->setWriteRate(12_MiB);
  StopButtonModel stopButton;
  stopButton.setSession(watched.session.get());
  QDateTime quickBegan;
  QDateTime quickLastSeen;
  QDateTime advancedBegan;
  QObject::connect(watched.session.get(), &CardSession::stageChanged, [&] {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const Kind kind = watched.session->stage().kind;
    if (kind == Kind::quick) {
      if (!quickBegan.isValid()) quickBegan = now;
      quickLastSeen = now;
    }
    if (kind == Kind::full && !advancedBegan.isValid()) advancedBegan = now;
  });
  watched.session->start();
  ASSERT_TRUE(turnLoopUntil([&] { return watched.session->stage().kind == Kind::full; }, 180s));
  ASSERT_GT(quickBegan.msecsTo(quickLastSeen), 1000) << "the quick check must take a while for the test to tell";

  const double seconds = stopButton.advancedSeconds();
  const QDateTime asked = QDateTime::currentDateTimeUtc();
  std::printf("quick check %.1f s; advanced test so far, as the question gives it: %.1f s\n",
              quickBegan.msecsTo(quickLastSeen) / 1000.0, seconds);
  EXPECT_GE(seconds, 0);
  EXPECT_LE(seconds, quickLastSeen.msecsTo(asked) / 1000.0) << "the quick check was counted too";

  // The rest written at once, the read-back slow enough to be caught.
  watched.card->setReadDelay(20ms);
  watched.card->setWriteRate(0);
  ASSERT_TRUE(turnLoopUntil([&] { return watched.session->stage() == CardSessionStage::full(Phase::verifying); }, 180s));
  const QDateTime shown = QDateTime::currentDateTimeUtc();
  StopButtonModel readBackStopButton;
  readBackStopButton.setSession(watched.session.get());
  EXPECT_GE(readBackStopButton.advancedSeconds(), advancedBegan.msecsTo(shown) / 1000.0)
      << "counted from the read-back's start";
  EXPECT_LE(readBackStopButton.advancedSeconds(), quickLastSeen.msecsTo(QDateTime::currentDateTimeUtc()) / 1000.0);
}

}  // namespace
}  // namespace tessorin
