// The advanced test judged in the order its sectors lie on the device, from hand-made
// layouts: ext4 wraps the test's files round the end of the volume, so a fake that keeps
// its first half loses the first files and keeps the later ones, and the last files
// written, which a controller's cache serves back, may lie anywhere.
#include <gtest/gtest.h>

#include "tessorin/full/DeviceOrderTally.hpp"
#include "tessorin/full/FullTestResult.hpp"
#include "tessorin/full/TestFileLayout.hpp"

namespace tessorin {
namespace {

using Stretch = TestFileLayout::Stretch;
using Verdict = FullTestResult::Verdict;

constexpr std::uint64_t MiB = 1ULL << 20;
constexpr std::uint64_t GiB = 1ULL << 30;
constexpr std::int64_t sectorsIn(std::uint64_t bytes) { return static_cast<std::int64_t>(bytes / 512); }

TEST(TestFileLayout, TakesOnlyAMapThatPlacesEveryByteOnceOnTheDevice) {
  const std::uint64_t device = 4 * GiB;
  struct Case {
    const char* name;
    std::vector<Stretch> stretches;
    bool taken;
  };
  const Case cases[] = {
      {"files wrapped round the volume's end", {{0, 3 * GiB, GiB, 0}, {GiB, GiB / 4, GiB, 0}}, true},
      {"a hole in the test's bytes", {{0, 3 * GiB, GiB, 0}, {GiB + MiB, GiB / 4, GiB, 0}}, false},
      {"two stretches on one place", {{0, GiB, GiB, 0}, {GiB, GiB + GiB / 2, GiB, 0}}, false},
      {"a stretch past the device's end", {{0, 3 * GiB + MiB, GiB, 0}, {GiB, 0, GiB, 0}}, false},
      {"fewer bytes than were written", {{0, 0, GiB, 0}}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TestFileLayout::fromStretches(c.stretches, 2 * GiB, device).has_value(), c.taken) << c.name;
  }

  const auto layout = TestFileLayout::fromStretches(cases[0].stretches, 2 * GiB, device);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->rank(0), GiB);
  EXPECT_EQ(layout->rank(GiB + 512), 512u);
  EXPECT_EQ(layout->deviceOffset(GiB + 512), GiB / 4 + 512);
  EXPECT_EQ(layout->deviceOffset(2 * GiB), std::nullopt);
  EXPECT_EQ(layout->bytesInOnePiece(GiB / 2), GiB / 2);
}

// Ok, then bad, then ok from `position` on, recorded in that order.
SectorTally okBadOk(std::uint64_t position, std::uint64_t ok, std::uint64_t bad, std::uint64_t okAfter) {
  SectorTally tally;
  tally.ok = sectorsIn(ok + okAfter);
  tally.blank = sectorsIn(bad);
  if (bad > 0) {
    tally.firstBadPosition = position + ok;
    tally.lastBadEnd = position + ok + bad;
    tally.okAfterFirstBad = sectorsIn(okAfter);
  }
  return tally;
}

// A drop fake of 2 GiB claiming 4 GiB, its first 256 MiB the file system's own: the
// first test file landed at 2.5 GiB, past the real end, the rest wrapped round to the
// start. The last 128 MiB written lie just past the real end, and the controller's cache
// served them back.
struct WrappedDropFake {
  static constexpr std::uint64_t structures = GiB / 4;
  static constexpr std::uint64_t written = 3 * GiB + GiB / 2;
  static constexpr std::uint64_t cache = 128 * MiB;
  DeviceOrderTally::Piece lost{0, 2 * GiB + GiB / 2, 2 * GiB, GiB + GiB / 2, okBadOk(0, 0, GiB + GiB / 2, 0)};
  DeviceOrderTally::Piece kept{GiB + GiB / 2, structures, 0, 2 * GiB,
                               okBadOk(GiB + GiB / 2, GiB + 3 * GiB / 4, GiB / 4 - cache, cache)};

  FullTestResult result(bool deviceOrderKnown) const {
    FullTestResult result;
    result.manifest.files = {{"F00000.otr", 0, written}};
    result.manifest.plannedBytes = written;
    result.manifest.volumeBytes = 4 * GiB - structures;
    result.deviceBytes = 4 * GiB;
    // Read in the files' order: everything lost first.
    result.tally = lost.tally;
    result.tally.ok = kept.tally.ok;
    result.tally.blank += kept.tally.blank;
    result.tally.lastBadEnd = kept.tally.lastBadEnd;
    result.tally.okAfterFirstBad = kept.tally.ok;
    if (deviceOrderKnown) result.deviceOrder = DeviceOrderTally::fold({lost, kept}, written - result.cachedTailBytes());
    return result;
  }
};

TEST(FullTestDeviceOrder, DropFakeWhoseFilesWrapRoundTheVolumeIsFakeWhereKeepingStopped) {
  const WrappedDropFake fake;
  const FullTestResult result = fake.result(true);
  ASSERT_TRUE(result.deviceOrder);
  EXPECT_EQ(result.deviceOrder->firstBadOffset, 2 * GiB);
  EXPECT_EQ(result.deviceOrder->tally.firstBadPosition, GiB + 3 * GiB / 4);
  EXPECT_EQ(result.deviceOrder->cachedAfterFirstBad, sectorsIn(WrappedDropFake::cache));
  EXPECT_EQ(result.verdict(), Verdict::fake);
  EXPECT_EQ(result.realCapacity(), 2 * GiB);

  // In the files' order the card seems to fail at its start and keep half of what
  // follows: damage.
  EXPECT_EQ(fake.result(false).verdict(), Verdict::damaged);
}

TEST(FullTestDeviceOrder, WrapFakeIsMeasuredByItsDistanceOnTheDevice) {
  // 700 MiB real, its files spread: a wrapped sector lies 700 MiB from its source on the
  // device, but only 28 MiB in the files.
  const std::uint64_t written = 2800 * MiB;
  SectorTally tally;
  tally.ok = sectorsIn(650 * MiB);
  tally.misplaced = sectorsIn(written) - tally.ok;
  tally.firstBadPosition = 0;
  tally.lastBadEnd = written;
  tally.okAfterFirstBad = tally.ok;
  tally.smallestWrapRunDistance = 28 * MiB;
  FullTestResult result;
  result.manifest.files = {{"F00000.otr", 0, written}};
  result.manifest.plannedBytes = written;
  result.manifest.volumeBytes = 3 * GiB;
  result.tally = tally;
  EXPECT_EQ(result.realCapacity(), std::nullopt) << "kept more than the distance in the files";

  tally.smallestWrapRunDistance = 700 * MiB;
  result.deviceOrder = DeviceOrderTally::fold({{0, 132 * MiB, 0, written, tally}}, written);
  EXPECT_EQ(result.verdict(), Verdict::fake);
  EXPECT_EQ(result.realCapacity(), 700 * MiB);
}

}  // namespace
}  // namespace tessorin
