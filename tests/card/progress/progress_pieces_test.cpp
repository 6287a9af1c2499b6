#include <cmath>
#include <limits>
#include <random>

#include <QCoreApplication>
#include <QLineSeries>
#include <QSignalSpy>
#include <QLocale>
#include <QValueAxis>
#include <gtest/gtest.h>

#include "card/charts/BenchmarkGridModel.hpp"
#include "card/charts/CapacityMapGeometry.hpp"
#include "card/charts/MonotoneInterpolation.hpp"
#include "card/progress/CoalescedRecompute.hpp"
#include "card/progress/NotRespondingNoteModel.hpp"
#include "card/charts/ProbeStripBar.hpp"
#include "card/charts/ProbeStripModel.hpp"
#include "card/progress/ProgressRingItem.hpp"
#include "card/charts/SpeedChartModel.hpp"

namespace tessorin {
namespace {

class ProgressPiecesTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

// While a motion holds the window's clock, a burst of news is recomputed once, on the
// clock's next tick (so it is drawn in the frame the motion draws anyway); a clock that
// stops before its tick, or none running, leaves no news waiting.
TEST(CoalescedRecomputeTest, NewsWaitsForTheRunningClocksTickAndNeverForAStoppedOne) {
  MotionClock clock;
  int runs = 0;
  CoalescedRecompute recompute([&runs] { ++runs; });
  recompute.paceWith(&clock);
  clock.hold();
  QSignalSpy ticks(&clock, &MotionClock::ticked);
  ASSERT_TRUE(ticks.wait(2000));
  ticks.clear();
  recompute.schedule();
  recompute.schedule();
  QCoreApplication::processEvents();
  // A loaded machine may have let the tick come already.
  EXPECT_EQ(runs, ticks.isEmpty() ? 0 : 1) << "recomputed between two ticks";
  if (ticks.isEmpty()) {
    ASSERT_TRUE(ticks.wait(2000));
  }
  EXPECT_EQ(runs, 1);

  recompute.schedule();
  clock.release();
  QSignalSpy idle(&clock, &MotionClock::ticked);
  EXPECT_FALSE(idle.wait(1000));
  EXPECT_EQ(runs, 2) << "news waited for a stopped clock";

  recompute.schedule();
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 3) << "news waited with no motion running";
}

TEST(ProbeStripTest, BucketsFoldIntoAtMostSixtyFourSlicesShowingTheWorstCell) {
  struct Case {
    std::size_t cells;
    std::size_t slices;
  };
  for (const Case c : {Case{0, 0}, Case{64, 64}, Case{65, 33}, Case{100, 50}, Case{130, 44}}) {
    EXPECT_EQ(ProbeStripModel::bucketCells(std::vector<ProbeCell>(c.cells, ProbeCell::ok)).size(), c.slices)
        << c.cells;
  }
  const std::vector<ProbeCell> cells = {ProbeCell::ok, ProbeCell::bad, ProbeCell::written, ProbeCell::untested,
                                        ProbeCell::untested, ProbeCell::untested};
  std::vector<ProbeCell> many(65, ProbeCell::untested);
  many[0] = ProbeCell::ok;
  many[1] = ProbeCell::bad;
  many[2] = ProbeCell::written;
  many[64] = ProbeCell::written;
  const std::vector<ProbeCell> slices = ProbeStripModel::bucketCells(many);
  EXPECT_EQ(slices[0], ProbeCell::bad) << "one bad probe among good ones shows red";
  EXPECT_EQ(slices[1], ProbeCell::written) << "written and untested show indigo";
  EXPECT_EQ(slices[2], ProbeCell::untested);
  EXPECT_EQ(slices[32], ProbeCell::written) << "the last slice holds the one cell left over";
}

TEST(ProbeStripTest, CountsOnlyReadBackProbesAndFinishedStripsAreNeverLive) {
  EXPECT_EQ(ProbeStripModel::countText({}), "Probes intact: 0 of 0");
  EXPECT_EQ(ProbeStripModel::countText({ProbeCell::ok, ProbeCell::bad, ProbeCell::written, ProbeCell::untested,
                                        ProbeCell::ok}),
            "Probes intact: 2 of 3");
  const ProbeStripInput made = ProbeStripModel::makeCells(
      {ProbeOutcome::ok, ProbeOutcome::untested, ProbeOutcome::misplaced, ProbeOutcome::writeFailed});
  EXPECT_FALSE(made.live);
  EXPECT_EQ(made.probes,
            (std::vector<ProbeCell>{ProbeCell::ok, ProbeCell::untested, ProbeCell::bad, ProbeCell::bad}));
}

// While the fine probes run, the coarse result's strip shows them as they are placed and
// read back; a result's own outcomes are never overwritten.
TEST(ProbeStripTest, APartialResultsStripTakesTheLiveCellsOfItsUntestedSlots) {
  using C = ProbeCell;
  const ProbeStripInput coarse =
      ProbeStripModel::makeCells({ProbeOutcome::ok, ProbeOutcome::untested, ProbeOutcome::untested, ProbeOutcome::misplaced});
  const struct {
    const char* name;
    std::vector<ProbeCell> liveCells;
    std::vector<ProbeCell> shown;
    bool live;
  } cases[] = {
      {"fine probes under way", {C::ok, C::ok, C::written, C::bad}, {C::ok, C::ok, C::written, C::bad}, true},
      {"a live cell never hides a bad outcome", {C::ok, C::untested, C::untested, C::ok}, {C::ok, C::untested, C::untested, C::bad}, false},
      {"no live cells yet", {}, {C::ok, C::untested, C::untested, C::bad}, false},
      {"live cells of another layout", {C::ok, C::ok}, {C::ok, C::untested, C::untested, C::bad}, false},
  };
  for (const auto& c : cases) {
    const ProbeStripInput shown = ProbeStripModel::withLiveCells(coarse, c.liveCells);
    EXPECT_EQ(shown.probes, c.shown) << c.name;
    EXPECT_EQ(shown.live, c.live) << c.name << ": the colour key shows while cells are live";
  }
}

TEST(ProbeStripTest, SlicesLeaveAGapOnlyWhenTheyAreWiderThanThreePoints) {
  auto rects = ProbeStripBar::sliceRects(400, 18, 10);
  EXPECT_DOUBLE_EQ(rects[1].x(), 40);
  EXPECT_DOUBLE_EQ(rects[1].width(), 39);
  rects = ProbeStripBar::sliceRects(100, 18, 64);
  EXPECT_DOUBLE_EQ(rects[1].x(), 1.5625);
  EXPECT_DOUBLE_EQ(rects[1].width(), 1.5625);
  rects = ProbeStripBar::sliceRects(20, 18, 64);
  EXPECT_DOUBLE_EQ(rects[1].x(), 0.3125);
  EXPECT_DOUBLE_EQ(rects[1].width(), 0.5);
  EXPECT_TRUE(ProbeStripBar::sliceRects(400, 18, 0).empty());
}

TEST(CapacityMapTest, CellsOfTenPointsAtSevenHundredNinetySevenAndAHalf) {
  const CapacityMapGeometry geometry = CapacityMapGeometry::layout(797.5, 64, 256);
  EXPECT_EQ(geometry.rows, 4);
  EXPECT_DOUBLE_EQ(geometry.side, 10);
  EXPECT_DOUBLE_EQ(geometry.radius, 2.5);
  EXPECT_DOUBLE_EQ(geometry.height, 49.84375);
  ASSERT_EQ(geometry.cells.size(), 256u);
  EXPECT_EQ(geometry.cells[65], QRectF(12.5, 12.5, 10, 10));
  EXPECT_DOUBLE_EQ(geometry.cells[255].bottom(), 47.5);
}

TEST(CapacityMapTest, AColumnCountBelowOneOrOneThatDoesNotDivideKeepsEveryCell) {
  const CapacityMapGeometry none = CapacityMapGeometry::layout(100, 0, 256);
  EXPECT_EQ(none.columns, 1);
  EXPECT_EQ(none.rows, 256);
  EXPECT_TRUE(std::isfinite(none.side));
  const CapacityMapGeometry uneven = CapacityMapGeometry::layout(100, 60, 256);
  EXPECT_EQ(uneven.rows, 5) << "a last row that is not full is still drawn";
  EXPECT_EQ(uneven.cells.size(), 256u);
  EXPECT_EQ(CapacityMapGeometry::layout(2, 64, 256).side, 0) << "too narrow: no negative sides";
}

TEST(SpeedChartTest, PointsInGigabytesAndMegabytesPerSecondFromTheUnsignedPosition) {
  const auto points = SpeedChartModel::chartPoints(
      {{64'000'000'000, 25'000'000}, {std::numeric_limits<std::uint64_t>::max(), 1e6}, {0, std::nan("")}});
  EXPECT_EQ(points[0], QPointF(64, 25));
  EXPECT_NEAR(points[1].x(), 1.8447e10, 1e6);
  EXPECT_EQ(points[2].y(), 0) << "a speed that is not a number is drawn at 0";
}

TEST(SpeedChartTest, OneSampleOrEqualSpeedsStillGiveTheAxesALength) {
  const std::vector<QPointF> one = {{4, 20}};
  const auto x = SpeedChartModel::positionRange(one, {});
  EXPECT_LT(x.minimum, 4);
  EXPECT_GT(x.maximum, 4);
  EXPECT_GE(x.minimum, 0);
  const std::vector<QPointF> still = {{1, 0}, {2, 0}};
  EXPECT_GT(SpeedChartModel::speedRange(still, {}).maximum, 0);
  EXPECT_EQ(SpeedChartModel::speedRange({{1, 30}, {2, 45}}, {{1, 80}}).maximum, 80) << "from both series";
  EXPECT_EQ(SpeedChartModel::speedRange({{1, 30}}, {}).minimum, 0);
  EXPECT_EQ(SpeedChartModel::niceStep(19), 20);
  EXPECT_EQ(SpeedChartModel::niceStep(21), 25);
  EXPECT_EQ(SpeedChartModel::niceStep(0.3), 0.5);
  EXPECT_EQ(SpeedChartModel::niceStep(0), 1);
}

TEST(SpeedChartTest, ThePositionAxisSpansTheWholeSpaceInAUnitThatSuitsIt) {
  struct Case {
    const char* what;
    std::uint64_t extent;
    std::uint64_t furthest;
    double unitBytes;
    double maximum;
    double tickInterval;
  };
  const Case cases[] = {
      {"2 TB card's free space, half written", 1'990'000'000'000, 995'000'000'000, 1e12, 2, 0.5},
      {"a 2 GB card", 1'980'000'000, 400'000'000, 1e9, 2, 0.5},
      {"a 64 GB card ends where its space ends, not at a far round number", 62'500'000'000, 0, 1e9, 62.5, 20},
      {"a 1.1 GiB speed zone", 1'153'433'600, 175'000'000, 1e9, 1'153'433'600 / 1e9, 0.2},
      {"a 256 MiB speed zone in megabytes", 268'435'456, 0, 1e6, 268'435'456 / 1e6, 50},
      {"exactly one terabyte", 1'000'000'000'000, 0, 1e12, 1, 0.2},
      {"a sample past the space stretches the axis to it", 1'000'000'000, 1'500'000'000, 1e9, 1.5, 0.25},
      {"nothing known yet", 0, 0, 1e9, 1, 0.2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const SpeedChartModel::PositionAxis axis = SpeedChartModel::positionAxis(c.extent, c.furthest);
    EXPECT_EQ(axis.unitBytes, c.unitBytes);
    EXPECT_DOUBLE_EQ(axis.maximum, c.maximum);
    EXPECT_DOUBLE_EQ(axis.tickInterval, c.tickInterval);
    EXPECT_GE(axis.maximum * axis.unitBytes, static_cast<double>(std::max(c.extent, c.furthest)) * (1 - 1e-12))
        << "the axis never ends before the space does";
    EXPECT_LE(axis.maximum / axis.tickInterval, 6) << "few enough ticks to be read";
    EXPECT_GT(axis.maximum / axis.tickInterval, 3) << "enough ticks to read a position";
  }
}

TEST(SpeedChartTest, AChartOfAKnownSpaceSetsItsAxisToItAndPlacesPointsInItsUnit) {
  SpeedChartModel chart;
  QValueAxis x;
  QLineSeries line;
  chart.setAxisX(&x);
  chart.setWriteLine(&line);
  chart.setInput({{{0, 25e6}, {500'000'000'000, 24e6}, {1'000'000'000'000, 26e6}}, {}, 1'990'000'000'000});
  EXPECT_EQ(chart.positionTitle(), "TB");
  EXPECT_EQ(x.min(), 0);
  EXPECT_EQ(x.max(), 2);
  EXPECT_EQ(x.tickType(), QValueAxis::TicksDynamic);
  EXPECT_EQ(x.tickInterval(), 0.5);
  ASSERT_FALSE(line.points().isEmpty());
  EXPECT_DOUBLE_EQ(line.points().back().x(), 1) << "the last sample, at 1 TB, half way along";

  chart.setInput({{{0, 25e6}, {1'000'000'000, 24e6}}, {}, 0});
  EXPECT_EQ(chart.positionTitle(), "GB") << "without a known space the axis spans the samples";
  EXPECT_EQ(x.tickType(), QValueAxis::TicksFixed);
  EXPECT_DOUBLE_EQ(line.points().back().x(), 1);
}

TEST(SpeedChartTest, SmoothingNeverLeavesTheRangeOfTwoNeighbouringSamples) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> speed(0, 100);
  std::vector<QPointF> samples = {{0, 80}, {1, 70}, {2, 70}, {3, 90}, {4, 10}, {4.5, 95}, {5, 96}};
  for (int i = 0; i < 300; ++i) samples.emplace_back(6 + i * 0.25, speed(random));
  const QList<QPointF> dense = monotone_interpolation::densify(samples, 4);
  EXPECT_EQ(dense.size(), static_cast<qsizetype>((samples.size() - 1) * 4 + 1));
  std::size_t segment = 0;
  for (const QPointF& point : dense) {
    while (segment + 1 < samples.size() && point.x() > samples[segment + 1].x()) ++segment;
    const QPointF& a = samples[segment];
    const QPointF& b = samples[std::min(segment + 1, samples.size() - 1)];
    EXPECT_GE(point.y(), std::min(a.y(), b.y()) - 1e-9) << point.x();
    EXPECT_LE(point.y(), std::max(a.y(), b.y()) + 1e-9) << point.x();
  }
  EXPECT_EQ(dense.front(), samples.front());
  EXPECT_EQ(dense.back(), samples.back());
  EXPECT_EQ(monotone_interpolation::densify({{1, 5}, {2, 6}}, 4).size(), 2);
  EXPECT_EQ(monotone_interpolation::pointsPerSegment(20), 4);
  EXPECT_EQ(monotone_interpolation::pointsPerSegment(300), 2) << "long series stay within the point budget";
  EXPECT_EQ(monotone_interpolation::pointsPerSegment(5000), 1);
}

TEST(ProgressRingTest, TheArcKeepsAStubAndANaNIsNoProgress) {
  EXPECT_DOUBLE_EQ(ProgressRingItem::arcEnd(0), 0.002);
  EXPECT_DOUBLE_EQ(ProgressRingItem::arcEnd(-3), 0.002);
  EXPECT_DOUBLE_EQ(ProgressRingItem::arcEnd(std::nan("")), 0.002) << "std::min(1, NaN) would draw a full ring";
  EXPECT_DOUBLE_EQ(ProgressRingItem::arcEnd(0.4), 0.4);
  EXPECT_DOUBLE_EQ(ProgressRingItem::arcEnd(1.5), 1);
}

TEST_F(ProgressPiecesTest, TheNoteWaitsTwentySecondsThenSaysHowLongTheCardWasSilent) {
  EXPECT_EQ(NotRespondingNoteModel::textFor(20), "");
  const QString start = QStringLiteral("The card hasn’t answered for ");
  EXPECT_TRUE(NotRespondingNoteModel::textFor(21).startsWith(start + "21s. Slow, cheap or fake cards"));
  EXPECT_TRUE(NotRespondingNoteModel::textFor(60).startsWith(start + "1m. "));
  EXPECT_TRUE(NotRespondingNoteModel::textFor(75).startsWith(start + "1m\u00A015s. "));
  EXPECT_TRUE(NotRespondingNoteModel::textFor(3600).startsWith(start + "1h. "));
  EXPECT_TRUE(NotRespondingNoteModel::textFor(21).endsWith("If you stop, Tessorin can only finish once the card "
                                                           "answers again."));
}

TEST_F(ProgressPiecesTest, BenchmarkGridDividesCheckedBytesAndRoundsHalvesUp) {
  ZoneResult zone = ZoneResult::make(100'000'000, 4, {}, 2, {}, SectorTally{}, false, 82'000'000);
  EXPECT_EQ(BenchmarkGridModel::sequentialRead(zone), "41\u00A0MB/s") << "checked bytes over the read time";
  EXPECT_EQ(BenchmarkGridModel::sequentialWrite(zone), "25\u00A0MB/s");
  zone.readSeconds = 0;
  zone.writeSeconds = 0;
  EXPECT_EQ(BenchmarkGridModel::sequentialRead(zone), "0\u00A0bytes/s");
  EXPECT_EQ(BenchmarkGridModel::sequentialWrite(zone), "0\u00A0bytes/s");
  EXPECT_EQ(BenchmarkGridModel::randomFigure(2.5).count, "3\u00A0IOPS");
  EXPECT_EQ(BenchmarkGridModel::randomFigure(2.4).count, "2\u00A0IOPS");
  EXPECT_EQ(BenchmarkGridModel::randomFigure(1000).speed, "4.1\u00A0MB/s");
  EXPECT_EQ(BenchmarkGridModel::randomFigure(1000).count, "1000\u00A0IOPS");
  const RandomFigure absent = BenchmarkGridModel::randomFigure(std::nullopt);
  EXPECT_FALSE(absent.measured);
  EXPECT_EQ(absent.speed, "—");

  BenchmarkGridModel grid;
  EXPECT_FALSE(grid.showsRandom());
  ZoneResult writesOnly = zone;
  writesOnly.randomWriteIOPS = 250;
  grid.setInput({writesOnly});
  EXPECT_TRUE(grid.showsRandom());
  EXPECT_FALSE(grid.randomRead().measured);
  EXPECT_EQ(grid.randomWrite().count, "250\u00A0IOPS");
}

}  // namespace
}  // namespace tessorin
