#include <cmath>
#include <limits>

#include <QLocale>
#include <gtest/gtest.h>

#include "card/progress/FullProgressPanelModel.hpp"
#include "card/progress/QuickProgressPanelModel.hpp"
#include "card/progress/StageTrackModel.hpp"

namespace tessorin {
namespace {

using Phase = QuickProbeProgress::Phase;
using Step = QuickProbeProgress::Step;
using FullPhase = FullTest::Progress::Phase;
using Quick = QuickProgressPanelModel;
using Full = FullProgressPanelModel;

class ProgressPanelsTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

QuickProbeProgress report(Phase phase, Step step, double fraction, std::int64_t completed = 0,
                          std::int64_t total = 0) {
  QuickProbeProgress progress(phase, step, completed, total);
  progress.fraction = fraction;
  return progress;
}

struct FractionCase {
  Phase phase;
  Step step;
  double fraction;
  double withProbes;
  double skipped;
};

TEST_F(ProgressPanelsTest, QuickTotalFractionFollowsEveryRowWithAndWithoutProbes) {
  const FractionCase cases[] = {
      {Phase::zone, Step::random, 0.5, 0.885, 0.92},
      {Phase::cleaning, Step::random, 0.5, 0.885, 0.92},  // the random step wins over cleaning
      {Phase::cleaning, Step::writing, 0.5, 0.99, 0.99},
      {Phase::zone, Step::writing, 0.5, 0.48, 0.35},
      {Phase::zone, Step::verifying, 0.5, 0.75, 0.78},
      {Phase::zone, Step::flushing, 0.5, 0.75, 0.78},
      {Phase::preparing, Step::writing, 0.5, 0.01, 0.01},
      {Phase::coarse, Step::writing, 0.5, 0.015, 0.01},
      {Phase::coarse, Step::flushing, 0.5, 0.06, 0.01},
      {Phase::coarse, Step::verifying, 0.5, 0.105, 0.01},
      {Phase::fine, Step::writing, 0.5, 0.14, 0.01},
      {Phase::fine, Step::flushing, 0.5, 0.19, 0.01},
      {Phase::fine, Step::verifying, 0.5, 0.24, 0.01},
      {Phase::coarse, Step::writing, 1.7, 0.03, 0.01},    // above 1 counts as 1
      {Phase::zone, Step::writing, -0.2, 0.26, 0.0},      // below 0 counts as 0
      {Phase::coarse, Step::writing, 0, 0.0, 0.01},
      {Phase::zone, Step::writing, std::nan(""), 0.26, 0.0},
      {Phase::zone, Step::writing, std::numeric_limits<double>::infinity(), 0.26, 0.0},
  };
  for (const auto& c : cases) {
    const QuickProbeProgress progress = report(c.phase, c.step, c.fraction);
    EXPECT_NEAR(Quick::totalFraction(progress, false), c.withProbes, 1e-12)
        << int(c.phase) << "/" << int(c.step) << " at " << c.fraction;
    EXPECT_NEAR(Quick::totalFraction(progress, true), c.skipped, 1e-12)
        << int(c.phase) << "/" << int(c.step) << " at " << c.fraction << " skipped";
  }
}

constexpr bool onCard = false;
constexpr bool onDrive = true;

TEST_F(ProgressPanelsTest, QuickTitlesTellAZoneOnlyRunFromAProbingOne) {
  EXPECT_EQ(Quick::title(Phase::coarse, false, onCard), "Probing the whole card");
  EXPECT_EQ(Quick::title(Phase::preparing, true, onCard), "Measuring the real speed");
  EXPECT_EQ(Quick::title(Phase::zone, false, onCard), "Measuring the real speed");
  EXPECT_EQ(Quick::title(Phase::fine, false, onCard), "Measuring the real capacity");
  EXPECT_EQ(Quick::title(Phase::cleaning, true, onCard), "Tidying up…");
}

TEST_F(ProgressPanelsTest, QuickStepLinesByPhaseAndStep) {
  EXPECT_EQ(Quick::stepText(Phase::preparing, Step::random, onCard), "Mapping the card’s free space…");
  EXPECT_EQ(Quick::stepText(Phase::coarse, Step::writing, onCard), "Placing probes across the whole card…");
  EXPECT_EQ(Quick::stepText(Phase::zone, Step::writing, onCard),
            "Writing to the start of the card, where even a fake card has real memory…");
  EXPECT_EQ(Quick::stepText(Phase::fine, Step::writing, onCard), "More probes, to pin the answer down…");
  EXPECT_EQ(Quick::stepText(Phase::cleaning, Step::writing, onCard), "Deleting the test data…");
  EXPECT_EQ(Quick::stepText(Phase::fine, Step::verifying, onCard), "Reading the probes back…");
  EXPECT_EQ(Quick::stepText(Phase::zone, Step::verifying, onCard), "Reading it back and checking every byte…");
  EXPECT_EQ(Quick::stepText(Phase::cleaning, Step::verifying, onCard), "Deleting the test data…");
  EXPECT_EQ(Quick::stepText(Phase::coarse, Step::flushing, onCard),
            "Writing other data to flush the card’s temporary memory, so it can’t fool the check…");
  EXPECT_EQ(Quick::stepText(Phase::cleaning, Step::random, onCard),
            "Small reads and writes in random places, the way phones and apps use a card…");
}

TEST_F(ProgressPanelsTest, AUSBDriveIsCalledADriveInEveryQuickLine) {
  EXPECT_EQ(Quick::title(Phase::coarse, false, onDrive), "Probing the whole drive");
  EXPECT_EQ(Quick::title(Phase::coarse, true, onDrive), "Measuring the real speed");
  EXPECT_EQ(Quick::stepText(Phase::preparing, Step::writing, onDrive), "Mapping the drive’s free space…");
  EXPECT_EQ(Quick::stepText(Phase::zone, Step::writing, onDrive),
            "Writing to the start of the drive, where even a fake drive has real memory…");
  EXPECT_EQ(Quick::stepText(Phase::zone, Step::random, onDrive),
            "Small reads and writes in random places, the way programs use a drive…");
  for (const Phase phase : {Phase::preparing, Phase::coarse, Phase::zone, Phase::fine, Phase::cleaning}) {
    for (const bool skipped : {false, true}) {
      EXPECT_FALSE(Quick::title(phase, skipped, onDrive).contains("card")) << int(phase);
    }
    for (const Step step : {Step::writing, Step::verifying, Step::flushing, Step::random}) {
      EXPECT_FALSE(Quick::stepText(phase, step, onDrive).contains("card")) << int(phase) << "/" << int(step);
    }
  }
}

struct FiguresCase {
  QuickProbeProgress progress;
  std::vector<MetricValue> metrics;
  QString counter;
};

TEST_F(ProgressPanelsTest, QuickLiveFiguresOfEachStep) {
  QuickProbeProgress randomWrites = report(Phase::zone, Step::random, 0.5);
  randomWrites.randomWrites = true;
  randomWrites.bytesPerSecond = 5'000'000;
  randomWrites.operationsPerSecond = 1234.5;
  QuickProbeProgress randomReads = report(Phase::zone, Step::random, 0.5);
  QuickProbeProgress zoneWriting = report(Phase::zone, Step::writing, 0.5, 32, 64);
  QuickProbeProgress zoneReading = zoneWriting;
  zoneReading.step = Step::verifying;
  zoneReading.bytesPerSecond = 41'000'000;
  QuickProbeProgress broken = report(Phase::zone, Step::random, 0.5);
  broken.bytesPerSecond = std::numeric_limits<double>::infinity();
  broken.operationsPerSecond = std::nan("");
  QuickProbeProgress huge = report(Phase::coarse, Step::flushing, 0.5, -5, std::numeric_limits<std::int64_t>::max());
  const FiguresCase cases[] = {
      {randomWrites, {{"Random 4K writes", "5\u00A0MB/s"}, {"Per second", "1235\u00A0IOPS"}}, {}},
      {randomReads, {{"Random 4K reads", "—"}, {"Per second", "—"}}, {}},
      {zoneWriting, {{"Writing at", "—"}, {"Written", "33.6\u00A0MB / 67.1\u00A0MB"}}, {}},
      {zoneReading, {{"Reading at", "41\u00A0MB/s"}, {"Read", "33.6\u00A0MB / 67.1\u00A0MB"}}, {}},
      {broken, {{"Random 4K reads", "—"}, {"Per second", "—"}}, {}},
      {huge, {{"Written", "0\u00A0bytes / 9.2\u00A0EB"}}, {}},
      {report(Phase::coarse, Step::writing, 0, 0, 2), {}, "Probe 0 of 2"},
      {report(Phase::fine, Step::verifying, 0.2, 3, 16), {}, "Probe 3 of 16"},
      {report(Phase::coarse, Step::writing, 0, 0, 1), {}, {}},
  };
  for (const auto& c : cases) {
    const Quick::LiveFigures figures = Quick::liveFigures(c.progress);
    ASSERT_EQ(figures.metrics.size(), c.metrics.size()) << c.counter.toStdString();
    for (std::size_t i = 0; i < c.metrics.size(); ++i) {
      EXPECT_EQ(figures.metrics[i].title, c.metrics[i].title);
      EXPECT_EQ(figures.metrics[i].value, c.metrics[i].value);
    }
    EXPECT_EQ(figures.probeCounter, c.counter);
  }
}

FullLive live(std::uint64_t done, std::uint64_t total, double speed = 0) {
  FullLive full;
  full.bytesDone = done;
  full.bytesTotal = total;
  full.bytesPerSecond = speed;
  return full;
}

TEST_F(ProgressPanelsTest, AdvancedFractionGivesWritingThreeQuartersOfTheRing) {
  EXPECT_DOUBLE_EQ(Full::totalFraction(FullPhase::preparing, live(0, 0)), 0);
  EXPECT_DOUBLE_EQ(Full::totalFraction(FullPhase::writing, live(0, 0)), 0) << "before the first report";
  EXPECT_DOUBLE_EQ(Full::totalFraction(FullPhase::writing, live(500, 1000)), 0.375);
  EXPECT_DOUBLE_EQ(Full::totalFraction(FullPhase::writing, live(1000, 1000)), 0.75);
  EXPECT_DOUBLE_EQ(Full::totalFraction(FullPhase::verifying, live(0, 1000)), 0.75);
  EXPECT_DOUBLE_EQ(Full::totalFraction(FullPhase::verifying, live(1000, 1000)), 1.0);
  EXPECT_DOUBLE_EQ(Full::totalFraction(FullPhase::cleaning, live(400, 1000)), 0.85);
}

TEST_F(ProgressPanelsTest, AdvancedPhaseWording) {
  EXPECT_EQ(Full::phaseTitle(FullPhase::preparing), "Getting ready");
  EXPECT_EQ(Full::phaseTitle(FullPhase::writing), "Filling the card with test data");
  EXPECT_EQ(Full::phaseDetail(FullPhase::preparing), Full::phaseDetail(FullPhase::writing));
  EXPECT_EQ(Full::phaseTitle(FullPhase::verifying), "Checking every byte");
  EXPECT_EQ(Full::phaseDetail(FullPhase::verifying), "Reading it all back to see what the card really kept.");
  EXPECT_EQ(Full::phaseTitle(FullPhase::cleaning), "Deleting the test data");
  EXPECT_EQ(Full::phaseDetail(FullPhase::cleaning), "Almost done.");
}

TEST_F(ProgressPanelsTest, AdvancedFiguresNameWhatWasReadOrWrittenAndTheTimeLeft) {
  struct Case {
    FullPhase phase;
    FullLive full;
    std::optional<double> remaining;
    const char* speed;
    const char* middleTitle;
    const char* amount;
    const char* timeLeft;
  };
  const Case cases[] = {
      {FullPhase::preparing, live(0, 0), std::nullopt, "—", "Written", "0\u00A0bytes", "—"},
      {FullPhase::writing, live(2'000'000'000, 8'000'000'000, 20e6), 0.3, "20\u00A0MB/s", "Written", "2\u00A0GB", "1s"},
      {FullPhase::writing, live(1, 2, 20e6), 59, "20\u00A0MB/s", "Written", "1\u00A0byte", "59s"},
      {FullPhase::verifying, live(5'000'000, 8'000'000), 60, "—", "Read", "5\u00A0MB", "1m"},
      {FullPhase::verifying, live(5'000'000, 8'000'000), 3600, "—", "Read", "5\u00A0MB", "1h"},
      {FullPhase::cleaning, live(8'000'000, 8'000'000), std::nullopt, "—", "Written", "8\u00A0MB", "—"},
      {FullPhase::writing, live(~0ull, ~0ull, std::nan("")), std::nullopt, "—", "Written", "9.2\u00A0EB", "—"},
  };
  for (const auto& c : cases) {
    const std::vector<MetricValue> figures = Full::figures(c.phase, c.full, c.remaining);
    ASSERT_EQ(figures.size(), 3u);
    EXPECT_EQ(figures[0].title, "Speed");
    EXPECT_EQ(figures[0].value, QString::fromUtf8(c.speed));
    EXPECT_EQ(figures[1].title, QString::fromUtf8(c.middleTitle));
    EXPECT_EQ(figures[1].value, QString::fromUtf8(c.amount));
    EXPECT_EQ(figures[2].title, "Time left");
    EXPECT_EQ(figures[2].value, QString::fromUtf8(c.timeLeft)) << c.remaining.value_or(-1);
  }
}

TEST_F(ProgressPanelsTest, FailureLabelCountsEveryBadSectorAsHalfAKilobyte) {
  SectorTally tally;
  tally.ok = 1'000'000;
  EXPECT_EQ(Full::failureText(tally), "");
  tally.stale = 1;
  EXPECT_EQ(Full::failureText(tally), "512\u00A0bytes failed so far");
  tally.blank = std::numeric_limits<std::int64_t>::max();
  tally.corrupted = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(Full::failureText(tally), "9.2\u00A0EB failed so far") << "saturates instead of overflowing";
  SectorTally negative;
  negative.unreadable = -4;
  EXPECT_EQ(Full::failureText(negative), "");
}

TEST(StageTrackTest, TheSixLooks) {
  using Style = StageTrackModel::Style;
  struct StepLook {
    const char* symbol;
    int style;
    bool current;
    bool struck;
  };
  struct Case {
    StageTrackModel::Step current;
    bool skipped;
    StepLook capacity, speed, advanced;
    bool bar1, bar2;
  };
  const Case cases[] = {
      {StageTrackModel::Capacity, false, {"internaldrive", Style::AccentGradient, true, false},
       {"speedometer", Style::Tertiary, false, false}, {"checkmark.seal.fill", Style::Tertiary, false, false},
       false, false},
      {StageTrackModel::Speed, false, {"checkmark.circle.fill", Style::Green, false, false},
       {"speedometer", Style::AccentGradient, true, false}, {"checkmark.seal.fill", Style::Tertiary, false, false},
       true, false},
      {StageTrackModel::Speed, true, {"internaldrive", Style::Tertiary, false, true},
       {"speedometer", Style::AccentGradient, true, false}, {"checkmark.seal.fill", Style::Tertiary, false, false},
       true, false},
      {StageTrackModel::Advanced, false, {"checkmark.circle.fill", Style::Green, false, false},
       {"checkmark.circle.fill", Style::Green, false, false},
       {"checkmark.seal.fill", Style::AccentGradient, true, false}, true, true},
      {StageTrackModel::Advanced, true, {"internaldrive", Style::Tertiary, false, true},
       {"checkmark.circle.fill", Style::Green, false, false},
       {"checkmark.seal.fill", Style::AccentGradient, true, false}, true, true},
      {StageTrackModel::Capacity, true, {"internaldrive", Style::AccentGradient, true, true},
       {"speedometer", Style::Tertiary, false, false}, {"checkmark.seal.fill", Style::Tertiary, false, false},
       false, false},
  };
  for (const auto& c : cases) {
    const StageTrackModel::Looks looks = StageTrackModel::looks(c.current, c.skipped);
    const StepLook expected[] = {c.capacity, c.speed, c.advanced};
    for (std::size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(testing::Message() << "current " << c.current << " skipped " << c.skipped << " step " << i);
      EXPECT_EQ(looks.steps[i].symbol, QString::fromLatin1(expected[i].symbol));
      EXPECT_EQ(looks.steps[i].style, expected[i].style);
      EXPECT_EQ(looks.steps[i].current, expected[i].current);
      EXPECT_EQ(looks.steps[i].struckThrough, expected[i].struck);
    }
    EXPECT_EQ(looks.firstBarGreen, c.bar1);
    EXPECT_EQ(looks.secondBarGreen, c.bar2);
  }
  EXPECT_EQ(StageTrackModel::looks(StageTrackModel::Capacity, false).steps[0].title, "Real capacity");
  EXPECT_FALSE(StageTrackModel::stepFromRawValue(3));
  EXPECT_FALSE(StageTrackModel::stepFromRawValue(-1));
}

}  // namespace
}  // namespace tessorin
