#include "tessorin/pattern/ProbeOutcome.hpp"

#include <gtest/gtest.h>

#include "tessorin/pattern/ProbeCell.hpp"
#include "tessorin/zone/QuickProbeProgress.hpp"
#include "tessorin/pattern/QuickProbeUnsupported.hpp"
#include "tessorin/pattern/SectorTally.hpp"

namespace tessorin {
namespace {

SectorTally tallyOf(std::int64_t blank, std::int64_t stale, std::int64_t misplaced, std::int64_t corrupted,
                    std::int64_t unreadable) {
  SectorTally tally;
  tally.ok = 100;
  tally.blank = blank;
  tally.stale = stale;
  tally.misplaced = misplaced;
  tally.corrupted = corrupted;
  tally.unreadable = unreadable;
  return tally;
}

TEST(ProbeOutcome, DominantKindWinsAndTiesFavourTheCounterfeitSigns) {
  struct Case {
    SectorTally tally;
    ProbeOutcome expected;
  };
  const Case cases[] = {
      {tallyOf(0, 0, 10, 10, 0), ProbeOutcome::misplaced},
      {tallyOf(9, 9, 9, 10, 9), ProbeOutcome::corrupted},
      {tallyOf(5, 5, 0, 0, 0), ProbeOutcome::blank},
      {tallyOf(0, 3, 0, 3, 3), ProbeOutcome::stale},
      {tallyOf(0, 0, 0, 4, 4), ProbeOutcome::unreadable},
      {tallyOf(0, 0, 0, 1, 0), ProbeOutcome::corrupted},
      {tallyOf(0, 0, 0, 0, 0), ProbeOutcome::ok},
      {SectorTally{}, ProbeOutcome::ok},
  };
  for (const auto& c : cases) EXPECT_EQ(ProbeOutcome(c.tally), c.expected) << int(c.expected.rawValue());
}

TEST(ProbeCell, EveryFailureIsDrawnBadAndOnlyUntestedStaysBlank) {
  for (const ProbeOutcome outcome : ProbeOutcome::allCases) {
    const ProbeCell expected = outcome == ProbeOutcome::ok         ? ProbeCell::ok
                               : outcome == ProbeOutcome::untested ? ProbeCell::untested
                                                                   : ProbeCell::bad;
    EXPECT_EQ(ProbeCell(outcome), expected) << int(outcome.rawValue());
    EXPECT_EQ(outcome.isFailure(), expected == ProbeCell::bad);
  }
}

TEST(QuickProbeProgress, FractionWithoutTotalIsZeroNotNaN) {
  using Progress = QuickProbeProgress;
  EXPECT_EQ(Progress(Progress::Phase::coarse, Progress::Step::writing, 3, 0).fraction, 0);
  EXPECT_DOUBLE_EQ(Progress(Progress::Phase::coarse, Progress::Step::writing, 3, 4).fraction, 0.75);
  EXPECT_EQ(Progress(Progress::Phase::zone, Progress::Step::writing, 3, 4, 0, 0.1).fraction, 0.1);
}

TEST(QuickProbeUnsupported, EqualOnlyWithTheSameCaseAndPayload) {
  using Unsupported = QuickProbeUnsupported;
  EXPECT_EQ(Unsupported::fileSystem("ext4"), Unsupported::fileSystem("ext4"));
  EXPECT_NE(Unsupported::fileSystem("ext4"), Unsupported::fileSystem("msdos"));
  EXPECT_EQ(Unsupported::notEnoughFreeSpace(5), Unsupported::notEnoughFreeSpace(5));
  EXPECT_NE(Unsupported::notEnoughFreeSpace(5), Unsupported::notEnoughFreeSpace(6));
  EXPECT_EQ(Unsupported::slowAllocation(), Unsupported::slowAllocation());
  EXPECT_NE(Unsupported::notEnoughFreeSpace(0), Unsupported::slowAllocation());
  EXPECT_NE(Unsupported::fileSystem(""), Unsupported::slowAllocation());
  EXPECT_NE(std::string(Unsupported::notEnoughFreeSpace(104857600).what()).find("104857600"), std::string::npos);
}

}  // namespace
}  // namespace tessorin
