#include "tessorin/quick/QuickProbeResult.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ByteLiterals.hpp"
#include "tessorin/quick/ProbeEngine.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;
using Verdict = QuickProbeResult::Verdict;

// Outcomes by letter, one per slot: o ok, b blank, c corrupted, m misplaced, w write
// failed, u unreadable, . untested.
std::vector<ProbeOutcome> outcomesOf(const std::string& letters) {
  std::vector<ProbeOutcome> outcomes;
  for (const char letter : letters) {
    switch (letter) {
      case 'o': outcomes.push_back(ProbeOutcome::ok); break;
      case 'b': outcomes.push_back(ProbeOutcome::blank); break;
      case 'c': outcomes.push_back(ProbeOutcome::corrupted); break;
      case 'm': outcomes.push_back(ProbeOutcome::misplaced); break;
      case 'w': outcomes.push_back(ProbeOutcome::writeFailed); break;
      case 'u': outcomes.push_back(ProbeOutcome::unreadable); break;
      default: outcomes.push_back(ProbeOutcome::untested); break;
    }
  }
  return outcomes;
}

ZoneResult cleanZone(std::uint64_t bytes) {
  ZoneResult zone;
  zone.bytes = bytes;
  zone.checkedBytes = bytes;
  zone.tally.ok = static_cast<std::int64_t>(bytes / 512);
  return zone;
}

QuickProbeResult resultOf(const std::string& letters, std::optional<ZoneResult> zone = std::nullopt) {
  QuickProbeResult result;
  result.outcomes = outcomesOf(letters);
  result.layout = {256_MiB, 64_MiB, letters.size(), 8, 1};
  result.writeSeconds.assign(letters.size(), 0.0);
  result.probeSize = 64_KiB;
  result.usedBytes = 1_MiB;
  result.volumeBytes = 4_GiB;
  result.zone = std::move(zone);
  return result;
}

TEST(QuickProbeAnalysis, CutFallsOnTheFailureThatBestSplitsGoodHeadFromFailingTail) {
  struct Case {
    std::string outcomes;
    ProbeAnalysis expected;
  };
  const Case cases[] = {
      {"ooobbb", {2, 3, 3, 3, 0}},
      // Equal scores at both failures: the lower one is the cut.
      {"ococ", {0, 1, 2, 3, 0}},
      // Untested slots take no part; slot numbers stay those of the card.
      {"o.o.b.b", {2, 4, 2, 2, 0}},
      // A stray failure below the real end of the card is counted before the cut.
      {"oocoo.bbbb", {4, 6, 4, 4, 1}},
      {"www", {std::nullopt, 0, 3, 3, 0}},
  };
  for (const auto& c : cases) {
    const auto analysis = QuickProbeResult::analyseOutcomes(outcomesOf(c.outcomes));
    ASSERT_TRUE(analysis) << c.outcomes;
    EXPECT_EQ(*analysis, c.expected) << c.outcomes;
  }
  EXPECT_FALSE(QuickProbeResult::analyseOutcomes(outcomesOf("oo.o")));
}

TEST(QuickProbeVerdict, EachKindOfCardGetsItsVerdict) {
  ZoneResult failedZone = cleanZone(64_MiB);
  failedZone.writeFailed = true;
  ZoneResult zoneWithOneBadSector = cleanZone(64_MiB);
  zoneWithOneBadSector.tally.corrupted = 1;
  ZoneResult mostlyBlankZone = cleanZone(64_MiB);
  mostlyBlankZone.tally.blank = mostlyBlankZone.tally.ok + 1;

  struct Case {
    const char* what;
    QuickProbeResult result;
    Verdict expected;
  };
  QuickProbeResult wrapping = resultOf("oooo", cleanZone(64_MiB));
  wrapping.wrapDistance = 1_GiB;
  const Case cases[] = {
      {"genuine", resultOf("oooooooo", cleanZone(64_MiB)), Verdict::passed},
      {"good head, failing tail", resultOf("ooobbb"), Verdict::fake},
      {"a wrap distance is proof on its own", wrapping, Verdict::fake},
      {"one failing probe is never fake-like", resultOf("oooboooo", cleanZone(64_MiB)), Verdict::damaged},
      {"all probes fail, no zone yet", resultOf("bbb"), Verdict::inconclusive},
      {"all probes fail, zone intact", resultOf("bbb", cleanZone(64_MiB)), Verdict::fake},
      {"all probes fail, zone mostly bad", resultOf("bbb", mostlyBlankZone), Verdict::damaged},
      {"good probes, zone failed to write", resultOf("oooo", failedZone), Verdict::damaged},
      {"good probes, one bad zone sector", resultOf("oooo", zoneWithOneBadSector), Verdict::damaged},
      {"fake-like with a good probe outweighs a failed zone", resultOf("ooobbb", failedZone), Verdict::fake},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result.verdict(), c.expected) << c.what;
}

// Probes read back through a cache the host kept of the card: the intact ones it kept sit
// wherever they lie, beside failing ones from the card, so the probes judge nothing but a
// wrap, which that cache cannot have served. Which probes came back from the card is the
// cache's choice, so the nearest wrap among them gives no size.
TEST(QuickProbeVerdict, ProbesThatMayHaveComeFromMemoryJudgeOnlyAWrapAndGiveNoCapacity) {
  struct Case {
    const char* what;
    QuickProbeResult result;
    Verdict expected;
    bool range;
  };
  QuickProbeResult wrapping = resultOf("oooo", cleanZone(64_MiB));
  wrapping.wrapDistance = 1_GiB;
  QuickProbeResult wrappedOntoItsStart = resultOf("oooo", cleanZone(64_MiB));
  wrappedOntoItsStart.writesRefusedAfter = 4_MiB;
  wrappedOntoItsStart.deviceStart.deviceRead = true;
  wrappedOntoItsStart.deviceStart.sectorsInBootArea = 8;
  Case cases[] = {
      {"all intact", resultOf("oooooooo", cleanZone(64_MiB)), Verdict::inconclusive, false},
      {"good head, failing tail", resultOf("ooobbb", cleanZone(64_MiB)), Verdict::inconclusive, false},
      {"a wrap", wrapping, Verdict::fake, false},
      {"a wrap the device's start shows", wrappedOntoItsStart, Verdict::fake, false},
      {"one failing probe", resultOf("oooboooo", cleanZone(64_MiB)), Verdict::inconclusive, false},
  };
  for (auto& c : cases) {
    c.result.readBackReachedCard = false;
    EXPECT_EQ(c.result.verdict(), c.expected) << c.what;
    EXPECT_EQ(c.result.realCapacityRange().has_value(), c.range) << c.what;
  }
}

// A card that stopped taking data part-way (it refused writes, or its file system broke
// under the check) is judged on what the check found until then and on what its first
// sectors hold, where no file is ever stored.
TEST(QuickProbeVerdict, ACardThatStoppedTakingDataIsFakeOnlyWhereTheEvidenceSaysSo) {
  const auto stopped = [](const std::string& letters, std::int64_t wrappedSectors) {
    QuickProbeResult result = resultOf(letters);
    result.writesRefusedAfter = 4_MiB;
    result.deviceStart.deviceRead = true;
    result.deviceStart.sectorsInBootArea = wrappedSectors;
    return result;
  };
  QuickProbeResult misplaced = stopped("oom.", 0);
  misplaced.wrapDistance = 1_GiB;
  struct Case {
    const char* what;
    QuickProbeResult result;
    Verdict verdict;
    WriteRefusal refusal;
  };
  const Case cases[] = {
      {"nothing read back, nothing at the start", stopped("....", 0), Verdict::damaged, WriteRefusal::readOnly},
      {"good probes, nothing at the start", stopped("oo..", 0), Verdict::damaged, WriteRefusal::readOnly},
      {"a probe damaged, nothing at the start", stopped("ooc.", 0), Verdict::damaged, WriteRefusal::losesData},
      {"the check's data in the first sectors", stopped("....", 8), Verdict::fake, WriteRefusal::losesData},
      {"the check's data in the first sectors, good probes", stopped("oo..", 1), Verdict::fake, WriteRefusal::losesData},
      {"a probe misplaced before the stop", misplaced, Verdict::fake, WriteRefusal::losesData},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result.verdict(), c.verdict) << c.what;
    EXPECT_EQ(c.result.writeRefusal(), c.refusal) << c.what;
  }
  // Wrapped sectors at the start tell that the card wraps, not where its medium ends.
  EXPECT_FALSE(stopped("oo..", 8).realCapacityRange());
}

TEST(QuickProbeVerdict, RealCapacityLiesBetweenTheLastGoodProbeAndTheCut) {
  const QuickProbeResult result = resultOf("oocoo.bbbb");
  ASSERT_EQ(result.verdict(), Verdict::fake);
  const auto range = result.realCapacityRange();
  ASSERT_TRUE(range);
  // Slot 4 was the last good probe, slot 6 the cut; positions start after the zone.
  EXPECT_EQ(range->lower, 1_MiB + 256_MiB + 4 * 64_MiB + 64_KiB);
  EXPECT_EQ(range->upper, 1_MiB + 256_MiB + 6 * 64_MiB);
  EXPECT_EQ(result.failedProbeCount(), 1);

  // With nothing good among the probes, an intact zone is what the card holds at least.
  const QuickProbeResult noGoodProbe = resultOf("bbb", cleanZone(128_MiB));
  ASSERT_TRUE(noGoodProbe.realCapacityRange());
  EXPECT_EQ(noGoodProbe.realCapacityRange()->lower, 1_MiB + 128_MiB);
  EXPECT_EQ(noGoodProbe.realCapacityRange()->upper, 1_MiB + 256_MiB);

  // A card that is not fake has no real-capacity range and no failed probes to show.
  const QuickProbeResult damaged = resultOf("oooboooo", cleanZone(64_MiB));
  EXPECT_FALSE(damaged.realCapacityRange());
  EXPECT_EQ(damaged.failedProbeCount(), 0);
}

TEST(QuickProbeVerdict, SlotsSpreadByTheFileSystemAreJudgedInTheOrderOfTheDevice) {
  // ext4 put the first slots past a fake's real end and wrapped the rest round to the
  // start of the card: in slot order the card fails first and keeps the rest.
  QuickProbeResult spread = resultOf("bbbboooo", cleanZone(64_MiB));
  spread.testAreaInOrder = false;
  EXPECT_EQ(spread.verdict(), Verdict::damaged) << "without the device's order";

  spread.slotsInDeviceOrder = {4, 5, 6, 7, 0, 1, 2, 3};
  EXPECT_EQ(spread.verdict(), Verdict::fake);
  EXPECT_EQ(spread.failedProbeCount(), 0);
  EXPECT_FALSE(spread.realCapacityRange()) << "slot positions are no places on this card";

  // An order that does not name every slot once is not used.
  spread.slotsInDeviceOrder = {4, 5, 6, 7, 0, 1, 2, 2};
  EXPECT_EQ(spread.verdict(), Verdict::damaged);
  spread.slotsInDeviceOrder = {4, 5, 6, 7, 0, 1, 2, 8};
  EXPECT_EQ(spread.verdict(), Verdict::damaged);
}

TEST(QuickProbeVerdict, WrapDistanceIsTheRealCapacityCappedAtTheVolume) {
  QuickProbeResult result = resultOf("oomcou", cleanZone(64_MiB));
  result.wrapDistance = 1_GiB;
  EXPECT_EQ(result.realCapacityRange(), (QuickProbeResult::CapacityRange{1_GiB, 1_GiB}));
  EXPECT_EQ(result.failedProbeCount(), 2);
  result.wrapDistance = 5_GiB;
  EXPECT_EQ(result.realCapacityRange(), (QuickProbeResult::CapacityRange{4_GiB, 4_GiB}));
}

// A probe whose write failed may be the one that would have shown a shorter distance: the
// smallest distance found may then be a multiple of the real size, and the card stays
// fake with its capacity unknown. Slot i lies at 256 MiB + i * 64 MiB.
TEST(QuickProbeVerdict, AWrapDistanceThatAFailedWriteMayHaveDoubledGivesNoCapacity) {
  struct Case {
    const char* what;
    std::string letters;
    std::uint64_t distance;
    bool zoneFailed;
    std::optional<std::uint64_t> capacity;
  };
  const std::string gap(15, '.');
  const std::vector<Case> cases = {
      {"the probe half-way failed to write", "m" + gap + "w" + gap + "o", 2_GiB, false, std::nullopt},
      {"a third of the way failed", "m" + std::string(9, '.') + "w" + gap + gap, 2_GiB - 64_MiB * 2, false,
       std::nullopt},
      {"the probe half-way read back", "m" + gap + "o" + gap + "o", 2_GiB, false, 2_GiB},
      {"the failed write lies past the distance", "m" + gap + "o" + gap + "o" + std::string(7, '.') + "w", 2_GiB,
       false, 2_GiB},
      {"the failed write is at no whole fraction of it", "mw", 1_GiB + 4_MiB, false, 1_GiB + 4_MiB},
      {"the zone, written last, failed", "m" + gap + "o", 1_GiB, true, std::nullopt},
      {"the zone failed far below the probe", "o" + gap + "o" + gap + "m", 1_GiB, true, 1_GiB},
  };
  for (const auto& c : cases) {
    ZoneResult zone = cleanZone(256_MiB);
    zone.writeFailed = c.zoneFailed;
    QuickProbeResult result = resultOf(c.letters, zone);
    result.wrapDistance = c.distance;
    EXPECT_EQ(result.verdict(), Verdict::fake) << c.what;
    const auto range = result.realCapacityRange();
    EXPECT_EQ(range ? std::optional(range->lower) : std::nullopt, c.capacity) << c.what;
  }
}

TEST(QuickProbeVerdict, OnlyWritesFarBeyondTheTypicalOneCountAsStalls) {
  QuickProbeResult result = resultOf("oooooo");
  result.writeSeconds = {0.5, 0.5, 0.5, 0.5, 3.5, 0};
  EXPECT_EQ(result.stalledWriteCount(), 1);
  EXPECT_DOUBLE_EQ(result.maximumWriteSeconds(), 3.5);
  // A card that is slow throughout stalls nowhere.
  result.writeSeconds = {2, 2.5, 2, 7.5, 2, 2};
  EXPECT_EQ(result.stalledWriteCount(), 0);
  result.writeSeconds.assign(6, 0.0);
  EXPECT_EQ(result.stalledWriteCount(), 0);
}

SectorTally tallyWith(std::int64_t ok, std::int64_t blank, std::int64_t corrupted, std::int64_t misplaced = 0,
                      std::optional<std::uint64_t> wrap = std::nullopt) {
  SectorTally tally;
  tally.ok = ok;
  tally.blank = blank;
  tally.corrupted = corrupted;
  tally.misplaced = misplaced;
  tally.smallestWrapDistance = wrap;
  return tally;
}

ProbeEngine engineFor(const std::string& letters, std::uint64_t fineStride = 1, std::uint64_t coarseStride = 4) {
  ProbeEngine engine({256_MiB, 64_MiB, letters.size(), coarseStride, fineStride}, 64_KiB, 4, TestPattern(7));
  engine.outcomes = outcomesOf(letters);
  return engine;
}

TEST(ProbeEngine, AProbeThatOnceFailedNeverReadsOkAgainAndMisplacedAlwaysWins) {
  ProbeEngine engine = engineFor("....");
  engine.recordWritten(0, 0.01);
  engine.recordWritten(1, 0.01);
  EXPECT_EQ(engine.cells()[0], ProbeCell::written);

  engine.record(0, tallyWith(32, 0, 0));
  EXPECT_EQ(engine.cells()[0], ProbeCell::ok);
  engine.record(0, tallyWith(0, 0, 32));
  engine.record(0, tallyWith(32, 0, 0));
  EXPECT_EQ(engine.outcomes[0], ProbeOutcome::corrupted);
  EXPECT_EQ(engine.lostAfterVerifying.size(), 1u);

  engine.record(1, tallyWith(0, 32, 0));
  engine.record(1, tallyWith(0, 0, 32));
  EXPECT_EQ(engine.outcomes[1], ProbeOutcome::blank);
  engine.record(1, tallyWith(0, 0, 0, 32, 3_GiB));
  engine.record(1, tallyWith(0, 0, 0, 32, 1_GiB));
  EXPECT_EQ(engine.outcomes[1], ProbeOutcome::misplaced);
  EXPECT_EQ(engine.wrapDistance, 1_GiB);
  EXPECT_EQ(engine.lostAfterVerifying.size(), 1u);
  EXPECT_TRUE(engine.pending.empty());
}

TEST(ProbeEngine, FinePassesCloseInOnWhereTheCardStopsKeepingData) {
  // Nothing failed: every untested slot on the fine stride.
  EXPECT_EQ(engineFor("o...o...o..", 2).nextFineSlots(), (std::vector<std::int64_t>{2, 6, 10}));
  // A failing tail: only the untested slots between the last good probe and the cut.
  EXPECT_EQ(engineFor("o...o...b...b...", 2).nextFineSlots(), (std::vector<std::int64_t>{6}));
  // None of those on the stride: all of them.
  EXPECT_EQ(engineFor("o.....ob.b", 2).nextFineSlots(), (std::vector<std::int64_t>{}));
  EXPECT_EQ(engineFor("oooooooo.bbb", 4).nextFineSlots(), (std::vector<std::int64_t>{8}));
  EXPECT_EQ(engineFor("o...o.b.b...", 4).nextFineSlots(), (std::vector<std::int64_t>{5}));
  // Every coarse write failed: nothing good below the cut at slot 0, no fine pass.
  EXPECT_EQ(engineFor("w...w...w...", 1).nextFineSlots(), (std::vector<std::int64_t>{}));
}

TEST(ProbeEngine, AWrappingCardIsProbedFurtherOnlyInItsFirstCoarseInterval) {
  ProbeEngine near = engineFor("o...o...m...", 1, 4);
  near.wrapDistance = 4 * 64_MiB;
  EXPECT_EQ(near.nextFineSlots(), (std::vector<std::int64_t>{1, 2, 3}));
  ProbeEngine far = engineFor("o...o...m...", 1, 4);
  far.wrapDistance = 4 * 64_MiB + 1;
  EXPECT_TRUE(far.nextFineSlots().empty());
}

}  // namespace
}  // namespace tessorin
