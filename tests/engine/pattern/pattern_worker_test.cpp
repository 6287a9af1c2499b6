// The pattern worker splits each chunk over its lanes; what it fills and what it records
// must be exactly what one thread going sector by sector would produce.
#include "../../../engine/src/pattern/PatternWorker.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tessorin/posix/AlignedBuffer.hpp"

namespace tessorin {
namespace {

constexpr std::size_t sector = TestPattern::sectorSize;

TEST(PatternWorker, FillsExactlyWhatOneThreadWould) {
  const TestPattern pattern(0xC0FFEE);
  for (const unsigned lanes : {1u, 2u, 3u}) {
    // 7 sectors do not split evenly over 2 or 3 lanes.
    for (const std::size_t sectors : {std::size_t{1}, std::size_t{7}, std::size_t{64}}) {
      AlignedBuffer expected(static_cast<std::int64_t>(sectors * sector));
      AlignedBuffer filled(static_cast<std::int64_t>(sectors * sector));
      pattern.fill(expected.pointer(), sectors * sector, 1 << 20);
      PatternWorker worker(pattern, lanes);
      worker.fill(filled.pointer(), sectors * sector, 1 << 20);
      worker.wait();
      EXPECT_EQ(std::memcmp(expected.pointer(), filled.pointer(), sectors * sector), 0) << lanes << " " << sectors;
    }
  }
}

TEST(PatternWorker, RecordsBadSectorsAsIfCheckedInOrder) {
  const TestPattern pattern(42);
  const TestPattern earlierRun(41);
  constexpr std::size_t sectors = 30;
  constexpr std::uint64_t position = 64 << 20;
  AlignedBuffer buffer(sectors * sector);
  pattern.fill(buffer.pointer(), sectors * sector, position);
  // Damage in the later lanes' slices before the earlier ones' ones, so that a merge
  // out of order would place the first bad position and the ok-after-bad count wrongly.
  std::memset(buffer.bytes() + 25 * sector, 0, sector);                          // blank
  earlierRun.fill(buffer.bytes() + 12 * sector, sector, position + 12 * sector);  // stale
  pattern.fill(buffer.bytes() + 20 * sector, sector, 0);                          // misplaced by 64 MiB
  buffer.bytes()[3 * sector + 100] ^= 1;                                         // corrupted

  for (const unsigned lanes : {1u, 2u, 4u}) {
    SectorTally expected;
    expected.ok = 7;  // a chunk checked before, all good
    pattern.verify(buffer.pointer(), sectors * sector, position, expected);
    expected.recordUnreadable(2, position + sectors * sector);

    SectorTally recorded;
    recorded.ok = 7;
    PatternWorker worker(pattern, lanes);
    worker.verify(buffer.pointer(), sectors * sector, position, recorded);
    worker.wait();
    recorded.recordUnreadable(2, position + sectors * sector);
    EXPECT_EQ(recorded, expected) << lanes << " lanes";
    EXPECT_EQ(recorded.firstBadPosition, position + 3 * sector);
    EXPECT_EQ(recorded.okAfterFirstBad, 23);
    EXPECT_EQ(recorded.lastBadEnd, position + (sectors + 2) * sector);
  }
}

}  // namespace
}  // namespace tessorin
