#include "tessorin/identity/SpeedRating.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace tessorin {
namespace {

constexpr double MB = 1'000'000;
using Check = SpeedRating::Check;
using Family = SpeedClass::Family;

SectorTally tallyOf(std::int64_t ok, std::int64_t corrupted) {
  SectorTally tally;
  tally.ok = ok;
  tally.corrupted = corrupted;
  return tally;
}

// A run of `seconds` writing at `writeSpeed` and reading back at `readSpeed`, one
// segment each, all sectors good.
ZoneResult zone(double writeSpeed, double readSpeed, double seconds = 10) {
  const auto bytes = static_cast<std::uint64_t>(writeSpeed * seconds);
  const double readSeconds = readSpeed > 0 ? static_cast<double>(bytes) / readSpeed : 0;
  return ZoneResult::make(bytes, seconds, {writeSpeed}, readSeconds, {readSpeed}, tallyOf(100, 0), false);
}

TEST(ZoneResultTest, DerivedFiguresSurviveEmptyAndZeroTimeRuns) {
  const ZoneResult empty = ZoneResult::make(0, 0, {}, 0, {}, {}, false);
  EXPECT_EQ(empty.writeSpeed(), 0);
  EXPECT_EQ(empty.readSpeed(), 0);
  EXPECT_EQ(empty.medianWriteSegment(), 0);
  EXPECT_EQ(empty.minimumWriteSegment(), 0);
  EXPECT_EQ(empty.maximumReadSegment(), 0);
  EXPECT_EQ(empty.stalledSegmentCount(), 0);
  EXPECT_EQ(empty.badFraction(), 0);
  EXPECT_TRUE(empty.isClean());
}

TEST(ZoneResultTest, MedianIsUpperMiddleAndStallsAreBelowAQuarterOfIt) {
  ZoneResult result = ZoneResult::make(0, 1, {10 * MB, 2 * MB, 10 * MB, 10 * MB}, 1, {}, {}, false);
  EXPECT_EQ(result.medianWriteSegment(), 10 * MB);
  EXPECT_EQ(result.stalledSegmentCount(), 1);
  result.writeSegments = {1, 4, 2, 3};
  EXPECT_EQ(result.medianWriteSegment(), 3);
  EXPECT_EQ(result.minimumWriteSegment(), 1);
  EXPECT_EQ(result.writeSegments, (std::vector<double>{1, 4, 2, 3}));  // the median leaves the run's order alone
}

TEST(ZoneResultTest, CheckedBytesDefaultToBytesButAnEarlyStopIsKept) {
  EXPECT_EQ(ZoneResult::make(1000, 1, {}, 2, {}, {}, false).readSpeed(), 500);
  EXPECT_EQ(ZoneResult::make(1000, 1, {}, 2, {}, {}, false, 100).readSpeed(), 50);
  EXPECT_FALSE(ZoneResult::make(1000, 1, {}, 2, {}, tallyOf(1, 1), false).isClean());
  EXPECT_FALSE(ZoneResult::make(1000, 1, {}, 2, {}, {}, true).isClean());
}

struct LossCase {
  const char* name;
  SectorTally tally;
  bool writeFailed;
  bool lost;
};

TEST(SpeedRatingTest, DataIsLostAboveOnePercentBadOrOnAFailedWrite) {
  const LossCase cases[] = {
      {"clean", tallyOf(100, 0), false, false},
      {"exactly one percent", tallyOf(99, 1), false, false},
      {"two in 101", tallyOf(99, 2), false, true},
      {"nothing checked", {}, false, false},
      {"write failed on a clean tally", tallyOf(100, 0), true, true},
  };
  for (const LossCase& c : cases) {
    ZoneResult result = zone(40 * MB, 40 * MB);
    result.tally = c.tally;
    result.writeFailed = c.writeFailed;
    const SpeedRating rating = SpeedRating::rate(result, 40 * MB);
    EXPECT_EQ(rating.dataLost, c.lost) << c.name;
    if (c.lost) {
      EXPECT_TRUE(rating.met.empty()) << c.name;
      for (const SpeedClass marking : SpeedClass::allCases()) EXPECT_EQ(rating.check(marking), Check::missed) << c.name;
      EXPECT_EQ(rating.firstMissed(Family::speed), SpeedClass::class2) << c.name;
      EXPECT_EQ(rating.firstUnconfirmed(Family::speed), std::nullopt) << c.name;
      EXPECT_EQ(rating.appClass(5000, 5000), std::nullopt) << c.name;
    }
  }
}

struct BusCase {
  const char* name;
  double read;
  double maximumReadSegment;
  std::optional<double> remembered;
  BusMode bus;
};

TEST(SpeedRatingTest, BusIsUHSOnlyAboveThresholdAndLegacyOnlyWithAKnownFastReader) {
  const BusCase cases[] = {
      {"exactly at threshold, fast reader", 26 * MB, 0, 35 * MB, BusMode::legacy},
      {"exactly at threshold, no memory", 26 * MB, 0, std::nullopt, BusMode::unknown},
      {"just above", 26 * MB + 1, 0, std::nullopt, BusMode::uhs},
      {"one fast segment is enough", 20 * MB, 27 * MB, std::nullopt, BusMode::uhs},
      {"reader just too slow to tell", 20 * MB, 0, 35 * MB - 1, BusMode::unknown},
  };
  for (const BusCase& c : cases) {
    ZoneResult result = zone(20 * MB, c.read);
    result.readSegments = c.maximumReadSegment > 0 ? std::vector<double>{c.maximumReadSegment} : std::vector<double>{};
    EXPECT_EQ(SpeedRating::rate(result, c.remembered).bus, c.bus) << c.name;
  }
}

TEST(SpeedRatingTest, ReaderCeilingIsFastestOfMemoryReadsAndWriteSegments) {
  ZoneResult result = zone(20 * MB, 15 * MB);
  result.writeSegments = {20 * MB, 31 * MB};
  EXPECT_EQ(SpeedRating::rate(result, std::nullopt).readerCeiling, 31 * MB);
  EXPECT_EQ(SpeedRating::rate(result, 50 * MB).readerCeiling, 50 * MB);
  result.readSegments = {40 * MB};
  EXPECT_EQ(SpeedRating::rate(result, std::nullopt).readerCeiling, 40 * MB);
}

// A read-back through the computer's copy of the card reads at memory's speed, or, where
// the copy was partly let go, at the card's: neither may judge the card nor the reader.
TEST(SpeedRatingTest, ReadsThatMayHaveComeFromMemoryJudgeNeitherTheBusNorTheReader) {
  struct MemoryCase {
    const char* name;
    double read;
    std::optional<double> remembered;
    double ceiling;
  };
  const MemoryCase cases[] = {
      {"memory-fast read, no reader known", 900 * MB, std::nullopt, 14 * MB},
      {"slow read in a reader known to be fast", 12 * MB, 90 * MB, 90 * MB},
  };
  for (const MemoryCase& c : cases) {
    ZoneResult result = zone(14 * MB, c.read);
    result.readBackReachedCard = false;
    const SpeedRating rating = SpeedRating::rate(result, c.remembered);
    EXPECT_EQ(rating.read, std::nullopt) << c.name;
    EXPECT_EQ(rating.bus, BusMode::unknown) << c.name;
    EXPECT_EQ(rating.readerCeiling, c.ceiling) << c.name;
    EXPECT_EQ(rating.bestMet(Family::speed), SpeedClass::class10) << c.name;  // the writes still count
  }
}

std::vector<SpeedClass> markings(std::initializer_list<SpeedClass::Value> values) {
  return std::vector<SpeedClass>(values.begin(), values.end());
}

TEST(SpeedRatingTest, LegacyBusHoldsBackUHSMarkingsButUnknownBusDoesNot) {
  using S = SpeedClass;
  const SpeedRating legacy = SpeedRating::rate(zone(31 * MB, 20 * MB), 40 * MB);
  ASSERT_EQ(legacy.bus, BusMode::legacy);
  EXPECT_EQ(legacy.met, markings({S::class2, S::class4, S::class6, S::class10, S::v6, S::v10}));
  EXPECT_EQ(legacy.check(S::u1), Check::missed);
  EXPECT_EQ(legacy.firstMissed(Family::uhs), S::u1);
  EXPECT_EQ(legacy.firstUnconfirmed(Family::uhs), std::nullopt);
  EXPECT_EQ(legacy.bestMet(Family::video), S::v10);
  EXPECT_EQ(legacy.bestMet(Family::uhs), std::nullopt);

  const SpeedRating unknown = SpeedRating::rate(zone(31 * MB, 20 * MB), std::nullopt);
  ASSERT_EQ(unknown.bus, BusMode::unknown);
  EXPECT_EQ(unknown.met,
            markings({S::class2, S::class4, S::class6, S::class10, S::u1, S::u3, S::v6, S::v10, S::v30}));
  EXPECT_EQ(unknown.bestMet(Family::uhs), S::u3);
}

TEST(SpeedRatingTest, ZeroWriteTimeMeetsNothingAndJudgesByReaderCeiling) {
  const SpeedRating rating = SpeedRating::rate(ZoneResult::make(0, 0, {}, 0, {}, {}, false), std::nullopt);
  EXPECT_EQ(rating.sustainedWrite, 0);
  EXPECT_TRUE(rating.met.empty());
  EXPECT_EQ(rating.bus, BusMode::unknown);
  EXPECT_EQ(rating.readerCeiling, 0);
  for (const SpeedClass marking : SpeedClass::allCases()) EXPECT_EQ(rating.check(marking), Check::unknown);
  EXPECT_EQ(rating.firstUnconfirmed(Family::speed), SpeedClass::class2);
  EXPECT_EQ(rating.firstMissed(Family::speed), std::nullopt);
}

struct CheckCase {
  const char* name;
  double typicalWrite;
  double readerCeiling;
  BusMode bus;
  SpeedClass marking;
  Check expected;
};

TEST(SpeedRatingTest, UnmetMarkingIsUnknownOnlyWhenTheReaderCouldHaveHiddenIt) {
  const CheckCase cases[] = {
      {"reader lacks headroom", 5 * MB, 32 * MB, BusMode::unknown, SpeedClass::u3, Check::unknown},
      {"reader just has headroom", 5 * MB, 33 * MB + 1, BusMode::unknown, SpeedClass::u3, Check::missed},
      {"headroom product rounds up", 1 * MB, 6'600'000, BusMode::unknown, SpeedClass::class6, Check::unknown},
      {"card runs at the reader's limit", 30 * MB, 30 * MB, BusMode::unknown, SpeedClass::class10,
       Check::unknown},
      {"card well under a fast reader", 8 * MB, 80 * MB, BusMode::uhs, SpeedClass::v30, Check::missed},
      {"card writes at 85% of reader", 68 * MB, 80 * MB, BusMode::uhs, SpeedClass::v30, Check::unknown},
      {"UHS marking on legacy bus even at reader limit", 40 * MB, 40 * MB, BusMode::legacy, SpeedClass::u1,
       Check::missed},
  };
  for (const CheckCase& c : cases) {
    SpeedRating rating;
    rating.typicalWrite = c.typicalWrite;
    rating.readerCeiling = c.readerCeiling;
    rating.bus = c.bus;
    EXPECT_EQ(rating.check(c.marking), c.expected) << c.name;
  }
}

TEST(SpeedRatingTest, FirstUnconfirmedSkipsMetMarkingsAndStopsAtTheFirstUnmet) {
  SpeedRating rating;
  rating.met = markings({SpeedClass::v6, SpeedClass::v10});
  rating.typicalWrite = 25 * MB;
  rating.readerCeiling = 25 * MB;
  EXPECT_EQ(rating.firstUnconfirmed(Family::video), SpeedClass::v30);
  rating.readerCeiling = 100 * MB;  // fast reader: v30 is plainly missed
  EXPECT_EQ(rating.firstUnconfirmed(Family::video), std::nullopt);
  EXPECT_EQ(rating.firstMissed(Family::video), SpeedClass::v30);
  rating.met = markings({SpeedClass::class2, SpeedClass::class4, SpeedClass::class6, SpeedClass::class10});
  EXPECT_EQ(rating.firstUnconfirmed(Family::speed), std::nullopt);
  EXPECT_EQ(rating.firstMissed(Family::speed), std::nullopt);
}

struct MarkingsCase {
  const char* name;
  std::vector<SpeedClass> met;
  double typicalWrite;
  double readerCeiling;
  BusMode bus;
  bool dataLost;
  std::vector<SpeedRating::Marking> expected;
  std::optional<std::string> uncheckable;
};

TEST(SpeedRatingTest, MarkingsListBestMetPerFamilyThenWhatTheReaderCannotJudge) {
  using S = SpeedClass;
  const auto met = [](S marking) { return SpeedRating::Marking{marking, Check::met}; };
  const auto unknown = [](S marking) { return SpeedRating::Marking{marking, Check::unknown}; };
  const auto upToV10 = markings({S::class2, S::class4, S::class6, S::class10, S::u1, S::v6, S::v10});
  const MarkingsCase cases[] = {
      {"slow reader leaves U3 and V30 open", upToV10, 25 * MB, 25 * MB, BusMode::unknown, false,
       {met(S::class10), met(S::u1), met(S::v10), unknown(S::u3), unknown(S::v30)}, "U3 · V30"},
      {"fast reader shows U3 and V30 missed", upToV10, 15 * MB, 100 * MB, BusMode::uhs, false,
       {met(S::class10), met(S::u1), met(S::v10)}, std::nullopt},
      {"everything met", markings({S::class2, S::class4, S::class6, S::class10, S::u1, S::u3, S::v6, S::v10, S::v30,
                                   S::v60, S::v90}),
       95 * MB, 100 * MB, BusMode::uhs, false, {met(S::class10), met(S::u3), met(S::v90)}, std::nullopt},
      {"lost data", {}, 0, 0, BusMode::unknown, true, {}, std::nullopt},
      {"nothing met, everything missed", {}, 1 * MB, 100 * MB, BusMode::uhs, false, {}, std::nullopt},
      {"legacy bus hides no UHS marking as unknown",
       markings({S::class2, S::class4, S::class6, S::class10, S::v6, S::v10}), 32 * MB, 32 * MB, BusMode::legacy, false,
       {met(S::class10), met(S::v10)}, std::nullopt},
      {"nothing measured", {}, 0, 0, BusMode::unknown, false, {unknown(S::class2), unknown(S::u1), unknown(S::v6)},
       "C2 · U1 · V6"},
  };
  for (const MarkingsCase& c : cases) {
    SpeedRating rating;
    rating.met = c.met;
    rating.typicalWrite = c.typicalWrite;
    rating.readerCeiling = c.readerCeiling;
    rating.bus = c.bus;
    rating.dataLost = c.dataLost;
    EXPECT_EQ(rating.markings(), c.expected) << c.name;
    EXPECT_EQ(rating.uncheckableMarkingsText(), c.uncheckable) << c.name;
  }
}

struct AppCase {
  const char* name;
  double sustainedWrite;
  std::optional<double> read;
  std::optional<double> write;
  std::optional<AppPerformanceClass> expected;
};

TEST(SpeedRatingTest, AppClassNeedsBothRatesAndASustainedFloor) {
  const auto none = std::nullopt;
  const AppCase cases[] = {
      {"both A2 minimums", 10 * MB, 4000, 2000, AppPerformanceClass::a2},
      {"write short of A2", 10 * MB, 4000, 1999, AppPerformanceClass::a1},
      {"read short of A1", 10 * MB, 1499, 5000, none},
      {"write short of A1", 10 * MB, 5000, 499, none},
      {"sustained just below floor", 10 * MB - 1, 9000, 9000, none},
      {"sustained not a number", std::nan(""), 9000, 9000, none},
      {"read rate missing", 10 * MB, none, 9000, none},
      {"write rate missing", 10 * MB, 9000, none, none},
  };
  for (const AppCase& c : cases) {
    SpeedRating rating;
    rating.sustainedWrite = c.sustainedWrite;
    EXPECT_EQ(rating.appClass(c.read, c.write), c.expected) << c.name;
  }
}

TEST(SpeedClassTest, StoredMarkingsReadBackAndFamiliesRiseInDeclarationOrder) {
  double previous[3] = {0, 0, 0};
  for (const SpeedClass marking : SpeedClass::allCases()) {
    EXPECT_EQ(SpeedClass::fromRawValue(marking.rawValue()), marking);
    double& last = previous[static_cast<int>(marking.family())];
    EXPECT_GT(marking.minimumWriteSpeed(), last) << marking.label();
    last = marking.minimumWriteSpeed();
  }
  for (const AppPerformanceClass marking : AppPerformanceClass::allCases()) {
    EXPECT_EQ(AppPerformanceClass::fromRawValue(marking.rawValue()), marking);
  }
  EXPECT_EQ(SpeedClass::fromRawValue("C10"), std::nullopt);
  EXPECT_EQ(AppPerformanceClass::fromRawValue("A1"), std::nullopt);
}

}  // namespace
}  // namespace tessorin
