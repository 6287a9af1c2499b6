// The advanced test's pure rules: verdict and real capacity from hand-made tallies, the
// capacity map, the speed meter, the plan, and the coding of its stored records.
#include <gtest/gtest.h>

#include <limits>
#include <numeric>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "tessorin/full/CapacityMap.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/full/FullTestCoding.hpp"
#include "tessorin/full/FullTestResult.hpp"
#include "tessorin/full/SpeedMeter.hpp"

namespace tessorin {
namespace {

using nlohmann::json;
using Verdict = FullTestResult::Verdict;
using WriteStop = FullTestResult::WriteStop;
using Cell = CapacityMap::Cell;

constexpr std::uint64_t MiB = 1ULL << 20;
constexpr std::uint64_t GiB = 1ULL << 30;
constexpr std::uint64_t usedBefore = 5 * MiB;

// A result of `written` bytes in one file, with the tally given.
FullTestResult resultOf(std::uint64_t written, SectorTally tally, WriteStop stop = WriteStop::completed(),
                        std::uint64_t volumeBytes = 64'000'000'000ULL) {
  FullTestResult result;
  if (written > 0) result.manifest.files.push_back({"F00000.otr", 0, written});
  result.manifest.plannedBytes = written;
  result.manifest.usedBytesBefore = usedBefore;
  result.manifest.volumeBytes = volumeBytes;
  result.manifest.writeStop = stop;
  result.tally = tally;
  return result;
}

SectorTally allOk(std::int64_t sectors) {
  SectorTally tally;
  tally.ok = sectors;
  return tally;
}

// Every sector bad from `firstBad` to `written`, with `okAfter` of them read back ok.
SectorTally failingFrom(std::uint64_t firstBad, std::uint64_t written, std::int64_t okAfter = 0) {
  SectorTally tally;
  tally.ok = static_cast<std::int64_t>(firstBad / 512) + okAfter;
  tally.blank = static_cast<std::int64_t>((written - firstBad) / 512) - okAfter;
  tally.firstBadPosition = firstBad;
  tally.okAfterFirstBad = okAfter;
  return tally;
}

struct VerdictCase {
  const char* name;
  FullTestResult result;
  Verdict verdict;
  std::optional<std::uint64_t> realCapacity;
};

TEST(FullTestVerdict, FollowsTheRulesOnHandMadeTallies) {
  SectorTally oneMisplaced = failingFrom(GiB, 2 * GiB, 1'000'000);
  oneMisplaced.blank -= 1;
  oneMisplaced.misplaced = 1;
  oneMisplaced.smallestWrapRunDistance = 16 * GiB;
  SectorTally wrapBeyondVolume = oneMisplaced;
  wrapBeyondVolume.smallestWrapRunDistance = 128 * GiB;
  SectorTally corruptedOnly;
  corruptedOnly.ok = 1000;
  corruptedOnly.corrupted = 5;
  corruptedOnly.firstBadPosition = 512 * 100;
  // 100,000 sectors after the first bad one, 2,000 of them ok: a share of exactly 0.02.
  const std::uint64_t shareWritten = GiB + 100'000 * 512;

  const VerdictCase cases[] = {
      {"one misplaced sector makes a fake", resultOf(2 * GiB, oneMisplaced), Verdict::fake, 16 * GiB},
      {"a wrap beyond the volume reports the volume",
       resultOf(2 * GiB, wrapBeyondVolume, WriteStop::completed(), 64'000'000'000ULL), Verdict::fake,
       64'000'000'000ULL},
      {"all good and completed passes", resultOf(GiB, allOk(2 * 1024 * 1024)), Verdict::passed,
       std::nullopt},
      {"all good and full passes", resultOf(GiB, allOk(2 * 1024 * 1024), WriteStop::diskFull()),
       Verdict::passed, std::nullopt},
      {"all good but a failed write is damaged with the failure as its end",
       resultOf(GiB + GiB / 2, allOk(3 * 1024 * 1024), WriteStop::ioError(5, 1'610'612'736)),
       Verdict::damaged, usedBefore + 1'610'612'736},
      {"blank from 4 GiB of 8 GiB is a fake ending there", resultOf(8 * GiB, failingFrom(4 * GiB, 8 * GiB)),
       Verdict::fake, usedBefore + 4 * GiB},
      {"1 GiB failing from 16 MiB fails too early to be a fake", resultOf(GiB, failingFrom(16 * MiB, GiB)),
       Verdict::damaged, std::nullopt},
      {"1 GiB failing from 21 MiB is a fake", resultOf(GiB, failingFrom(21 * MiB, GiB)), Verdict::fake,
       usedBefore + 21 * MiB},
      {"8 GiB failing from 32 MiB fails too early to be a fake", resultOf(8 * GiB, failingFrom(32 * MiB, 8 * GiB)),
       Verdict::damaged, std::nullopt},
      {"65,535 bad sectors are too few for a fake", resultOf(GiB, failingFrom(GiB - 65'535 * 512, GiB)),
       Verdict::damaged, std::nullopt},
      {"65,536 bad sectors are enough", resultOf(GiB, failingFrom(GiB - 65'536 * 512, GiB)), Verdict::fake,
       usedBefore + GiB - 65'536 * 512},
      {"an ok share of exactly 0.02 after the first bad sector is damage",
       resultOf(shareWritten, failingFrom(GiB, shareWritten, 2'000)), Verdict::damaged, std::nullopt},
      // Its capacity is what it kept, the stray good sectors past its end included.
      {"an ok share just below 0.02 is a fake", resultOf(shareWritten, failingFrom(GiB, shareWritten, 1'999)),
       Verdict::fake, usedBefore + GiB + 1'999 * 512},
      {"scattered corruption is damage without a capacity", resultOf(GiB, corruptedOnly), Verdict::damaged,
       std::nullopt},
      {"full at the first chunk passes", resultOf(0, SectorTally{}, WriteStop::diskFull()), Verdict::passed,
       std::nullopt},
      {"a write error at the first chunk is damage at the card's start",
       resultOf(0, SectorTally{}, WriteStop::ioError(5, 0)), Verdict::damaged, usedBefore},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result.verdict(), c.verdict) << c.name;
    EXPECT_EQ(c.result.realCapacity(), c.realCapacity) << c.name;
  }
}

// Bad from `firstBad` on, except a last run of `tail` bytes that read back ok, read in order.
SectorTally failingWithGoodTail(std::uint64_t firstBad, std::uint64_t written, std::uint64_t tail,
                                std::int64_t okBetween = 0) {
  SectorTally tally = failingFrom(firstBad, written - tail, okBetween);
  const auto tailSectors = static_cast<std::int64_t>(tail / 512);
  tally.ok += tailSectors;
  tally.okAfterFirstBad += tailSectors;
  tally.lastBadEnd = written - tail;
  return tally;
}

TEST(FullTestVerdict, GoodRunAtTheEndThatFitsAControllerCacheIsNotKeptData) {
  // 2 GiB written on a card that keeps 1 GiB: a 64 MiB cache alone is 6 % of what follows
  // the first bad sector, three times what a fake may show.
  const std::uint64_t written = 2 * GiB;
  const VerdictCase cases[] = {
      {"64 MiB served from a cache after losing everything from 1 GiB is a fake ending at 1 GiB",
       resultOf(written, failingWithGoodTail(GiB, written, 64 * MiB)), Verdict::fake, usedBefore + GiB},
      {"a 256 MiB cache is still a cache", resultOf(written, failingWithGoodTail(GiB, written, 256 * MiB)),
       Verdict::fake, usedBefore + GiB},
      {"a good run longer than any cache is kept data: damage",
       resultOf(written, failingWithGoodTail(GiB, written, 256 * MiB + 512)), Verdict::damaged, std::nullopt},
      {"a good run longer than the loss before it is a bad band: damage",
       resultOf(written, failingWithGoodTail(written - 100 * MiB, written, 60 * MiB)), Verdict::damaged,
       std::nullopt},
      {"good sectors between the bad ones still count beside the cache",
       resultOf(written, failingWithGoodTail(GiB, written, 64 * MiB, 100'000)), Verdict::damaged, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result.verdict(), c.verdict) << c.name;
    EXPECT_EQ(c.result.realCapacity(), c.realCapacity) << c.name;
  }
  // The raw share still tells what came back.
  const FullTestResult cached = resultOf(written, failingWithGoodTail(GiB, written, 64 * MiB));
  EXPECT_DOUBLE_EQ(cached.okFractionAfterFirstBad(), 0.0625);
  EXPECT_EQ(cached.keptFractionAfterFirstBad(), 0);
}

// A read-back the host may have served from its cache of the card: the intact sectors it
// kept sit wherever they lie, beside lost ones from the card, so it judges nothing but a
// wrap; a refused write, which the card reported itself, and lost data are still told.
FullTestResult fromMemory(FullTestResult result) {
  result.readBackReachedCard = false;
  return result;
}

TEST(FullTestVerdict, ReadBackThatMayHaveComeFromMemoryGivesNoVerdictNorCapacityWithoutAWrap) {
  const VerdictCase cases[] = {
      {"all good", fromMemory(resultOf(GiB, allOk(2 * 1024 * 1024))), Verdict::unconfirmed, std::nullopt},
      {"all good and full", fromMemory(resultOf(GiB, allOk(2 * 1024 * 1024), WriteStop::diskFull())),
       Verdict::unconfirmed, std::nullopt},
      {"all good after a failed write",
       fromMemory(resultOf(GiB + GiB / 2, allOk(3 * 1024 * 1024), WriteStop::ioError(5, 1'610'612'736))),
       Verdict::unconfirmed, std::nullopt},
      {"a blank tail", fromMemory(resultOf(8 * GiB, failingFrom(4 * GiB, 8 * GiB))), Verdict::unconfirmed,
       std::nullopt},
      // What a drop fake left to memory reads back as: lost where the host let go of
      // pages, intact where it kept them.
      {"a blank tail with intact stretches", fromMemory(resultOf(GiB, failingFrom(100 * MiB, 200 * MiB, 90'000))),
       Verdict::unconfirmed, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result.verdict(), c.verdict) << c.name;
    EXPECT_EQ(c.result.realCapacity(), c.realCapacity) << c.name;
  }
}

// A wrap-around fake of 512 MiB read back from memory, 4 GiB written in order: the host
// let go of part of its copy, and that part came back from the card holding what was
// written there last, `wraps` wraps on, the lowest of it `holdsAtLeast` below the end;
// beside it, where given, a run of sectors `strayDistance` from their place.
FullTestResult wrapFromMemory(std::initializer_list<std::uint64_t> wraps, std::uint64_t holdsAtLeast,
                              std::optional<std::uint64_t> strayDistance = std::nullopt) {
  constexpr std::uint64_t written = 4 * GiB;
  SectorTally tally;
  tally.ok = static_cast<std::int64_t>((written - GiB) / 512);
  tally.misplaced = static_cast<std::int64_t>(GiB / 512);
  tally.firstBadPosition = GiB;
  tally.lastBadEnd = 2 * GiB;
  std::vector<std::uint64_t> distances;
  for (const std::uint64_t wrap : wraps) distances.push_back(wrap * 512 * MiB);
  if (strayDistance) distances.push_back(*strayDistance);
  for (const std::uint64_t distance : distances) {
    tally.smallestWrapDistance = std::min(tally.smallestWrapDistance.value_or(distance), distance);
    tally.smallestWrapRunDistance = tally.smallestWrapDistance;
    tally.wrapRunDistanceDivisor = std::gcd(tally.wrapRunDistanceDivisor.value_or(0), distance);
  }
  tally.lowestWrapRunSource = written - holdsAtLeast;
  return fromMemory(resultOf(written, tally, WriteStop::completed(), 4 * GiB));
}

TEST(FullTestVerdict, WrapReadBackFromMemoryIsAFakeSizedOnlyWhereItsMisplacedDataProveTheSize) {
  FullTestResult placesKnown = wrapFromMemory({5, 6}, 512 * MiB);
  placesKnown.deviceOrder = DeviceOrderTally{placesKnown.tally, GiB, 0};
  FullTestResult onItsStartOnly = fromMemory(resultOf(GiB, allOk(2 * 1024 * 1024), WriteStop::ioError(5, GiB)));
  onItsStartOnly.deviceStart.deviceRead = true;
  onItsStartOnly.deviceStart.sectorsInBootArea = 8;
  onItsStartOnly.deviceStart.wrapDistance = 512 * MiB;
  const VerdictCase cases[] = {
      {"five and six wraps, content from a whole wrap below the end: the size", wrapFromMemory({5, 6}, 512 * MiB),
       Verdict::fake, 512 * MiB},
      {"one wrap, content from 300 MiB below the end: the size", wrapFromMemory({1}, 300 * MiB), Verdict::fake,
       512 * MiB},
      // The card may as well hold 1 GiB, 1.75 GiB or 3.5 GiB.
      {"seven wraps only: a multiple", wrapFromMemory({7}, 500 * MiB), Verdict::fake, std::nullopt},
      // Their divisor, 1 GiB, is the size of a card that kept only the last 512 MiB as well.
      {"two and four wraps only: twice the size divides them", wrapFromMemory({2, 4}, 512 * MiB), Verdict::fake,
       std::nullopt},
      // No card of 4 MiB, the divisor left, kept the 512 MiB its wraps showed.
      {"a stray run 300 MiB off beside the wraps", wrapFromMemory({5, 6}, 512 * MiB, 300 * MiB), Verdict::fake,
       std::nullopt},
      {"one wrap, content from only 200 MiB below the end: perhaps half of it", wrapFromMemory({1}, 200 * MiB),
       Verdict::fake, std::nullopt},
      {"holding more than the distance: no wrap's", wrapFromMemory({1}, 600 * MiB), Verdict::fake, std::nullopt},
      {"where the extent map told the places", placesKnown, Verdict::fake, std::nullopt},
      {"a wrap only the device's start shows", onItsStartOnly, Verdict::fake, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result.verdict(), c.verdict) << c.name;
    EXPECT_EQ(c.result.realCapacity(), c.realCapacity) << c.name;
    EXPECT_FALSE(c.result.cardReadSpeed()) << c.name;
  }
  EXPECT_EQ(onItsStartOnly.writeRefusal(), WriteRefusal::losesData);
}

TEST(FullTestVerdict, ARefusedWriteReadBackFromMemoryTellsOnlyWhatTheCardReported) {
  const FullTestResult refused =
      fromMemory(resultOf(GiB + GiB / 2, allOk(3 * 1024 * 1024), WriteStop::ioError(5, 1'610'612'736)));
  EXPECT_EQ(refused.writeRefusal(), WriteRefusal::keptUnknown);
  FullTestResult lostSome = refused;
  lostSome.tally.corrupted = 5;
  EXPECT_EQ(lostSome.writeRefusal(), WriteRefusal::losesData);
}

// Writing broke off on EIO at `stop`, with everything before it read back intact; the
// card took a write below the stop again or refused it too.
FullTestResult refusedFrom(std::uint64_t stop, bool takenBelow, std::uint64_t planned) {
  FullTestResult result = resultOf(stop, allOk(static_cast<std::int64_t>(stop / 512)), WriteStop::ioError(5, stop));
  result.manifest.plannedBytes = planned;
  result.manifest.writesTakenBelowStop = takenBelow;
  return result;
}

TEST(FullTestVerdict, CardRefusingWritesOnlyPastAPlaceIsFakeEndingThere) {
  FullTestResult lostSome = refusedFrom(GiB, true, 2 * GiB);
  lostSome.tally.corrupted = 5;
  lostSome.tally.firstBadPosition = 100 * MiB;
  const VerdictCase cases[] = {
      {"takes writes below where it stopped: a fake ending there", refusedFrom(GiB + GiB / 2, true, 4 * GiB),
       Verdict::fake, usedBefore + GiB + GiB / 2},
      {"refuses the write below as well: read-only, holding what it took",
       refusedFrom(GiB + GiB / 2, false, 4 * GiB), Verdict::damaged, usedBefore + GiB + GiB / 2},
      {"stops taking writes 32 MiB into 64 GiB: failing near its start, not a fake",
       refusedFrom(32 * MiB, true, 64 * GiB), Verdict::damaged, usedBefore + 32 * MiB},
      {"damaged some of what it took: judged on what came back", lostSome, Verdict::damaged, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result.verdict(), c.verdict) << c.name;
    EXPECT_EQ(c.result.realCapacity(), c.realCapacity) << c.name;
  }
}

// A wrap of `distance` found in `written` bytes, with `ok` of them read back intact.
FullTestResult wrapped(std::uint64_t written, std::uint64_t distance, std::uint64_t ok) {
  SectorTally tally;
  tally.ok = static_cast<std::int64_t>(ok / 512);
  tally.misplaced = static_cast<std::int64_t>((written - ok) / 512);
  tally.firstBadPosition = 0;
  tally.smallestWrapRunDistance = distance;
  return resultOf(written, tally, WriteStop::completed(), 4 * GiB);
}

TEST(FullTestVerdict, BytesInUseThatAWrapWroteOverCountOnlyOnce) {
  struct Case {
    const char* name;
    FullTestResult result;
    std::uint64_t kept;
    std::optional<std::uint64_t> realCapacity;
  };
  const Case cases[] = {
      // 5 MiB in use is 8 % of the card: counted again, it hid the size.
      {"64 MiB kept in full after writing over the bytes in use", wrapped(256 * MiB, 64 * MiB, 64 * MiB), 64 * MiB,
       64 * MiB},
      {"512 MiB kept in full", wrapped(2 * GiB, 512 * MiB, 512 * MiB), 512 * MiB, 512 * MiB},
      {"a wrap that reached 2 MiB into them leaves the other 3 MiB",
       wrapped(GiB - 3 * MiB, GiB, GiB - 64 * MiB), usedBefore - 2 * MiB + GiB - 64 * MiB, GiB},
      {"more kept than the wrap distance still hides a distance that is too short",
       wrapped(GiB, 256 * MiB, 300 * MiB), 300 * MiB, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result.verdict(), Verdict::fake) << c.name;
    EXPECT_EQ(c.result.keptBytes(), c.kept) << c.name;
    EXPECT_EQ(c.result.realCapacity(), c.realCapacity) << c.name;
  }
}

TEST(FullTestVerdict, OkShareCountsOnlyFailuresInsideWhatWasWritten) {
  EXPECT_EQ(resultOf(GiB, allOk(10)).okFractionAfterFirstBad(), 0);
  EXPECT_EQ(resultOf(GiB, allOk(10)).firstBadOrWritten(), GiB);
  SectorTally beyond;
  beyond.unreadable = 4;
  beyond.firstBadPosition = GiB;
  beyond.okAfterFirstBad = 3;
  EXPECT_EQ(resultOf(GiB, beyond).okFractionAfterFirstBad(), 0);
  EXPECT_DOUBLE_EQ(resultOf(GiB, failingFrom(GiB / 2, GiB, 1024 * 512)).okFractionAfterFirstBad(), 0.5);
}

TEST(CapacityMap, ShareOutChunksOverTheCellsTheyTouchWithoutLosingSectors) {
  CapacityMap gib(GiB);
  EXPECT_EQ(gib.cellIndex(0), 0u);
  EXPECT_EQ(gib.cellIndex(8 * MiB - 1), 1u);
  EXPECT_EQ(gib.cellIndex(8 * MiB), 2u);
  EXPECT_EQ(gib.cellIndex(GiB - 1), 255u);
  CapacityMap tiny(1000);
  EXPECT_EQ(tiny.cellIndex(3), 0u);
  EXPECT_EQ(tiny.cellIndex(4), 1u);
  EXPECT_EQ(tiny.cellIndex(999), 255u);

  gib.markWritten(0, 8 * MiB);
  gib.recordChecked(0, 8 * MiB, 16'384, 3);
  EXPECT_EQ(gib.good[0], 8'192u);
  EXPECT_EQ(gib.bad[0], 2u);
  EXPECT_EQ(gib.good[1], 8'192u);
  EXPECT_EQ(gib.bad[1], 1u);
  EXPECT_EQ(gib.cell(0), Cell::mixed);
  EXPECT_EQ(gib.cell(2), Cell::untested);

  gib.markWritten(8 * MiB, 4 * MiB);
  EXPECT_EQ(gib.cell(2), Cell::written);
  gib.recordChecked(8 * MiB, 4 * MiB, 8'192, 0);
  EXPECT_EQ(gib.cell(2), Cell::good);
  // The read-back saw it even though writing never marked it.
  gib.recordChecked(GiB - 512, 512, 0, 1);
  EXPECT_EQ(gib.cell(255), Cell::bad);
  EXPECT_EQ(gib.cells()[255], Cell::bad);
}

TEST(CapacityMap, RangesRunningPast64BitsSaturateInsteadOfWrapping) {
  CapacityMap map(GiB);
  const std::uint64_t huge = std::numeric_limits<std::uint64_t>::max();
  map.markWritten(GiB - 512, huge);
  map.recordChecked(GiB - 512, huge, huge, huge);
  map.recordChecked(GiB - 512, huge, huge, 0);
  EXPECT_EQ(map.good[255], huge);
  EXPECT_EQ(map.bad[255], huge);
  EXPECT_EQ(map.cell(255), Cell::mixed);

  SectorTally tally;
  tally.recordUnreadable(std::numeric_limits<std::int64_t>::max(), 0);
  tally.recordUnreadable(std::numeric_limits<std::int64_t>::max(), 512);
  tally.blank = 7;
  EXPECT_EQ(tally.unreadable, std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(tally.badSectors(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(tally.checkedSectors(), std::numeric_limits<std::int64_t>::max());
}

TEST(CapacityMap, EmptyMapStaysUntested) {
  CapacityMap empty(0);
  empty.markWritten(0, 8 * MiB);
  empty.recordChecked(0, 8 * MiB, 100, 100);
  EXPECT_EQ(empty, CapacityMap(0));
  for (Cell cell : empty.cells()) EXPECT_EQ(cell, Cell::untested);
}

TEST(SpeedMeter, SamplesAboutThreeHundredTimesAndNeverMoreThanEvery8MiB) {
  EXPECT_EQ(SpeedMeter::intervalFor(0), 8'388'608u);
  EXPECT_EQ(SpeedMeter::intervalFor(2'516'582'400ULL), 8'388'608u);
  EXPECT_EQ(SpeedMeter::intervalFor(3'000'000'000ULL), 10'000'000u);
  EXPECT_EQ(SpeedMeter::intervalFor(64'000'000'000ULL), 213'333'333u);
}

TEST(SpeedMeter, IntervalClosedInNoMeasurableTimeGivesAFiniteSpeed) {
  SpeedMeter meter(GiB, 100.0);
  EXPECT_FALSE(meter.addChunk(4 * MiB, 4 * MiB));
  EXPECT_TRUE(meter.addChunk(4 * MiB, 8 * MiB));
  meter.closeInterval(100.0);
  ASSERT_EQ(meter.samples.size(), 1u);
  EXPECT_EQ(meter.samples[0].position, 8 * MiB);
  EXPECT_DOUBLE_EQ(meter.samples[0].bytesPerSecond, 8.0 * MiB / 0.000001);
  EXPECT_EQ(meter.takeNewSamples().size(), 1u);
  EXPECT_TRUE(meter.takeNewSamples().empty());
}

TEST(SpeedMeter, SummaryAveragesOverThePhaseAndSpansTheSamples) {
  SpeedMeter meter(GiB, 10.0);
  EXPECT_EQ(meter.summary(10.0), SpeedSummary::zero());
  meter.addChunk(8 * MiB, 8 * MiB);
  meter.closeInterval(11.0);
  meter.addChunk(8 * MiB, 16 * MiB);
  meter.closeInterval(13.0);
  meter.finish(14.0);  // nothing counted since the last sample: no sample of its own
  const SpeedSummary summary = meter.summary(14.0);
  EXPECT_EQ(meter.samples.size(), 2u);
  EXPECT_DOUBLE_EQ(summary.average, 16.0 * MiB / 4.0);
  EXPECT_DOUBLE_EQ(summary.minimum, 4.0 * MiB);
  EXPECT_DOUBLE_EQ(summary.maximum, 8.0 * MiB);
}

TEST(FullTestPlan, LeavesAReserveAndWritesWhole64KiB) {
  EXPECT_EQ(FullTest::plannedBytes(10'000'000'000ULL, 32'768), 9'995'747'328ULL);
  EXPECT_EQ(FullTest::plannedBytes(10'000'000'000ULL, MiB), 9'991'553'024ULL);
  EXPECT_EQ(FullTest::plannedBytes(4 * MiB, 512), 0u);
  EXPECT_EQ(FullTest::plannedBytes(4 * MiB + 65'536, 512), 65'536u);
  EXPECT_EQ(FullTest::plannedBytes(0, 4096), 0u);
}

TestManifest sampleManifest() {
  TestManifest manifest;
  manifest.session = 0xFEDCBA9876543210ULL;
  manifest.files = {{"F00000.otr", 0, GiB}, {"F00001.otr", GiB, 512 * MiB}};
  manifest.plannedBytes = 2 * GiB;
  manifest.usedBytesBefore = 123'456;
  manifest.volumeBytes = 4'000'000'000ULL;
  manifest.writeStop = WriteStop::ioError(5, GiB + 512 * MiB);
  manifest.writeSpeed = {21.5e6, 10.25e6, 30.125e6};
  manifest.writeSamples = {{8 * MiB, 20.5e6}, {16 * MiB, 1.0 / 3.0}};
  manifest.writeDuration = 73.25;
  return manifest;
}

TEST(FullTestCoding, WriteStopIsOneKeyHoldingItsPayload) {
  EXPECT_EQ(json(WriteStop::ioError(5, 8'388'608)), json::parse(R"({"ioError":{"code":5,"position":8388608}})"));
  EXPECT_EQ(json(WriteStop::diskFull()), json::parse(R"({"diskFull":{}})"));
  EXPECT_EQ(json(WriteStop::completed()).dump(), R"({"completed":{}})");
  EXPECT_EQ(json::parse(R"({"ioError":{"code":-1,"position":0},"other":1})").get<WriteStop>(),
            WriteStop::ioError(-1, 0));
}

TEST(FullTestCoding, WriteStopWithNoneOrTwoCasesIsRejected) {
  for (const char* text : {R"({"completed":{},"diskFull":{}})", R"({})", R"({"finished":{}})"}) {
    try {
      json::parse(text).get<WriteStop>();
      ADD_FAILURE() << text << " decoded";
    } catch (const RecordDecodingError& error) {
      EXPECT_EQ(error.kind(), RecordDecodingError::Kind::typeMismatch) << text;
      EXPECT_STREQ(error.what(), "Invalid number of keys found, expected one.") << text;
    }
  }
}

TEST(FullTestCoding, ManifestSurvivesTheTripThroughText) {
  const TestManifest manifest = sampleManifest();
  const json encoded = manifest;
  EXPECT_EQ(json::parse(encoded.dump()).get<TestManifest>(), manifest);
  for (const char* key : {"session", "files", "plannedBytes", "usedBytesBefore", "volumeBytes", "writeStop",
                          "writeSpeed", "writeSamples", "writeDuration"}) {
    EXPECT_TRUE(encoded.contains(key)) << key;
  }
  EXPECT_EQ(encoded["files"][1], json::parse(R"({"name":"F00001.otr","start":1073741824,"length":536870912})"));
  EXPECT_EQ(encoded["writeSamples"][0], json::parse(R"({"position":8388608,"bytesPerSecond":20500000.0})"));
  EXPECT_EQ(encoded["writeSpeed"], json::parse(R"({"average":21.5e6,"minimum":10.25e6,"maximum":30.125e6})"));

  json withExtra = encoded;
  withExtra["addedLater"] = "ignored";
  EXPECT_EQ(withExtra.get<TestManifest>(), manifest);
}

TEST(FullTestCoding, AnyMissingKeyIsAnErrorNotADefault) {
  const json encoded = sampleManifest();
  std::vector<std::pair<std::string, json>> damaged;
  for (const auto& [key, value] : encoded.items()) {
    json copy = encoded;
    copy.erase(key);
    damaged.emplace_back("no " + key, copy);
  }
  for (const char* key : {"name", "start", "length"}) {
    json copy = encoded;
    copy["files"][1].erase(key);
    damaged.emplace_back(std::string("file without ") + key, copy);
  }
  for (const char* key : {"average", "minimum", "maximum"}) {
    json copy = encoded;
    copy["writeSpeed"].erase(key);
    damaged.emplace_back(std::string("summary without ") + key, copy);
  }
  for (const char* key : {"position", "bytesPerSecond"}) {
    json copy = encoded;
    copy["writeSamples"][0].erase(key);
    damaged.emplace_back(std::string("sample without ") + key, copy);
  }
  json noCode = encoded;
  noCode["writeStop"]["ioError"].erase("code");
  damaged.emplace_back("io error without its code", noCode);
  for (const auto& [why, value] : damaged) {
    try {
      value.get<TestManifest>();
      ADD_FAILURE() << why << ": decoded";
    } catch (const RecordDecodingError& error) {
      EXPECT_EQ(error.kind(), RecordDecodingError::Kind::keyNotFound) << why;
    }
  }
}

TEST(FullTestCoding, MistypedOrUnsafeValuesAreErrors) {
  const json encoded = sampleManifest();
  const std::pair<std::string, std::string> damaged[] = {
      {"/session", R"("12")"},           {"/session", "-1"},
      {"/session", "1.5"},               {"/session", "null"},
      {"/session", "0"},                 {"/plannedBytes", "18446744073709551616"},
      {"/files", "{}"},                  {"/files/0", "[]"},
      {"/files/0/name", "7"},            {"/files/0/name", R"("../../etc/passwd")"},
      {"/files/0/name", R"("")"},        {"/files/1/length", "-512"},
      {"/writeStop", R"({"ioError":5})"}, {"/writeStop/ioError/code", "2147483648"},
      {"/writeStop/ioError/code", "0.5"}, {"/writeSpeed/average", R"("fast")"},
      {"/writeSamples", "null"},         {"/writeSamples/0/bytesPerSecond", "true"},
      {"/writeDuration", R"("73.25")"},  {"", "[]"},
      // Files that do not lie inside the planned bytes, one wrapping past 2^64.
      {"/files/1/length", "18446744073709551615"}, {"/files/1/start", "2147483649"},
      {"/files/1/length", "1073741825"},
  };
  for (const auto& [pointer, value] : damaged) {
    json copy = encoded;
    copy[json::json_pointer(pointer)] = json::parse(value);
    EXPECT_THROW(copy.get<TestManifest>(), RecordDecodingError) << pointer << " = " << value;
  }
}

TEST(FullTestCoding, NonNegativeSignedIntegersBuiltInMemoryDecode) {
  json encoded = sampleManifest();
  encoded["plannedBytes"] = static_cast<std::int64_t>(2 * GiB);
  encoded["writeStop"]["ioError"]["position"] = static_cast<std::int64_t>(GiB + 512 * MiB);
  EXPECT_EQ(encoded.get<TestManifest>(), sampleManifest());
}

}  // namespace
}  // namespace tessorin
