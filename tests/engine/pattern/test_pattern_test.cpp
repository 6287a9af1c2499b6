#include "tessorin/pattern/TestPattern.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "tessorin/pattern/SectorTally.hpp"
#include "../../../engine/src/pattern/PatternWorker.hpp"

namespace tessorin {
namespace {

using Sector = std::array<unsigned char, TestPattern::sectorSize>;

std::uint64_t word(const Sector& sector, int k) {
  std::uint64_t value = 0;
  for (int b = 7; b >= 0; --b) value = (value << 8) | sector[8 * k + b];
  return value;
}

Sector filled(const TestPattern& pattern, std::uint64_t position) {
  Sector sector{};
  pattern.fill(sector.data(), sector.size(), position);
  return sector;
}

TEST(TestPattern, MatchesTheKnownVectorsByteForByte) {
  const TestPattern pattern(1);
  const Sector first = filled(pattern, 0);
  EXPECT_EQ(std::memcmp(first.data(), "TESSORIN", 8), 0);
  EXPECT_EQ(word(first, 1), 1u);
  EXPECT_EQ(word(first, 2), 0u);
  EXPECT_EQ(word(first, 3), 0x910A2DEC89025CC1ULL);
  const std::array<unsigned char, 8> littleEndian{0xC1, 0x5C, 0x02, 0x89, 0xEC, 0x2D, 0x0A, 0x91};
  EXPECT_EQ(std::memcmp(first.data() + 24, littleEndian.data(), 8), 0);
  EXPECT_EQ(word(first, 4), 0xBEEB8DA1658EEC67ULL);
  EXPECT_EQ(word(first, 63), 0x86C5D1B05CE2CE14ULL);

  const Sector second = filled(pattern, 512);
  EXPECT_EQ(word(second, 2), 512u);
  EXPECT_EQ(word(second, 3), 0x0703862611B8B8B3ULL);
  EXPECT_EQ(word(second, 63), 0x5E14226ED2A8C441ULL);
}

TEST(TestPattern, FillOfSeveralSectorsEqualsSectorsFilledOneByOne) {
  const TestPattern pattern(0xDEADBEEF);
  std::vector<unsigned char> buffer(4 * TestPattern::sectorSize);
  pattern.fill(buffer.data(), buffer.size(), 1 << 20);
  for (int i = 0; i < 4; ++i) {
    const Sector single = filled(pattern, (1 << 20) + 512 * i);
    EXPECT_EQ(std::memcmp(buffer.data() + 512 * i, single.data(), 512), 0) << "sector " << i;
  }
}

TEST(TestPattern, ClassifiesWhatACardCanReturn) {
  const TestPattern pattern(42);
  const std::uint64_t position = 64 << 20;

  Sector zeros{};
  Sector ones;
  ones.fill(0xFF);
  Sector zerosWithOneByte{};
  zerosWithOneByte[300] = 1;
  Sector flippedLastWord = filled(pattern, position);
  flippedLastWord[511] ^= 0x01;
  Sector garbage;
  garbage.fill(0x5A);

  struct Case {
    const char* what;
    Sector sector;
    SectorStatus expected;
  };
  const std::vector<Case> cases{
      {"exact sector", filled(pattern, position), SectorStatus::ok()},
      {"erased to zeros", zeros, SectorStatus::blank()},
      {"erased to ones", ones, SectorStatus::blank()},
      {"zeros with one byte set", zerosWithOneByte, SectorStatus::corrupted()},
      {"one bit flipped in the last word", flippedLastWord, SectorStatus::corrupted()},
      {"no magic", garbage, SectorStatus::corrupted()},
      {"earlier session at another position", filled(TestPattern(41), 0), SectorStatus::stale()},
      {"data written 16 MiB further on", filled(pattern, position + (16 << 20)),
       SectorStatus::misplaced(position + (16 << 20))},
  };
  for (const auto& c : cases) EXPECT_EQ(pattern.classify(c.sector.data(), position), c.expected) << c.what;
}

TEST(TestPattern, FlippedBitInPositionWordIsCorruptionNotAWrap) {
  // Bit 24 flipped at position 0 would otherwise look like data from 16 MiB away, and a
  // merely damaged card would be called fake with a 16 MiB real capacity.
  const TestPattern pattern(7);
  Sector sector = filled(pattern, 0);
  sector[16 + 3] ^= 0x01;
  EXPECT_EQ(pattern.classify(sector.data(), 0), SectorStatus::corrupted());

  SectorTally tally;
  pattern.verify(sector.data(), sector.size(), 0, tally);
  EXPECT_EQ(tally.corrupted, 1);
  EXPECT_FALSE(tally.smallestWrapDistance.has_value());
}

TEST(TestPattern, PositionWordThatIsNoSectorStartIsCorruption) {
  const TestPattern pattern(7);
  Sector sector = filled(pattern, 0);
  sector[16] = 0x01;  // position 1: not a multiple of 512
  EXPECT_EQ(pattern.classify(sector.data(), 0), SectorStatus::corrupted());
}

TEST(TestPattern, VerifyIgnoresATrailingPartialSector) {
  const TestPattern pattern(3);
  std::vector<unsigned char> buffer(1024);
  pattern.fill(buffer.data(), buffer.size(), 0);
  SectorTally tally;
  pattern.verify(buffer.data(), 1000, 0, tally);
  EXPECT_EQ(tally.checkedSectors(), 1);
  EXPECT_EQ(tally.ok, 1);
}

TEST(TestPattern, RandomSessionsAreNeverZero) {
  for (int i = 0; i < 1000; ++i) EXPECT_NE(TestPattern::randomSession(), 0u);
}

TEST(SectorTally, MisplacedNearerThanSixteenMiBCountsAsCorrupted) {
  const TestPattern pattern(9);
  SectorTally tally;
  const std::uint64_t expected = 0;
  const Sector eightAway = filled(pattern, 8 << 20);
  const Sector sixteenAway = filled(pattern, SectorTally::minimumWrapDistance);
  pattern.verify(eightAway.data(), 512, expected, tally);
  EXPECT_EQ(tally.corrupted, 1);
  EXPECT_EQ(tally.misplaced, 0);
  pattern.verify(sixteenAway.data(), 512, expected, tally);
  EXPECT_EQ(tally.misplaced, 1);
  EXPECT_EQ(tally.smallestWrapDistance, SectorTally::minimumWrapDistance);
}

TEST(SectorTally, SmallestWrapDistanceKeepsTheMinimumInEitherDirection) {
  SectorTally tally;
  tally.record(SectorStatus::misplaced(0), 64 << 20);         // found 64 MiB below
  tally.record(SectorStatus::misplaced(100 << 20), 68 << 20);  // found 32 MiB above
  EXPECT_EQ(tally.misplaced, 2);
  EXPECT_EQ(tally.smallestWrapDistance, std::uint64_t{32} << 20);
}

// A wrap moves whole stretches; a file system's journal copies a block of a few
// sectors from anywhere. Only a distance 32 sectors in a row show is the card's.
// Sectors read back in order from `base` on, in stretches of (sectors, how far away their
// content was written; 0 where it was written for that place).
std::vector<unsigned char> readBackInOrder(const TestPattern& pattern, std::uint64_t base,
                                           std::span<const std::pair<int, std::uint64_t>> stretches) {
  std::vector<unsigned char> buffer;
  std::uint64_t position = base;
  for (const auto& [count, distance] : stretches) {
    for (int k = 0; k < count; ++k, position += 512) {
      const Sector sector = filled(pattern, position + distance);
      buffer.insert(buffer.end(), sector.begin(), sector.end());
    }
  }
  return buffer;
}

TEST(SectorTally, AWrapDistanceIsTheCardsWhereARunOfSectorsShowsIt) {
  const TestPattern pattern(11);
  const std::uint64_t base = std::uint64_t{100} << 20;
  constexpr std::uint64_t MiB = 1 << 20;
  // A copied block, a run one short, a run that counts, and a longer run broken by an
  // intact sector.
  const std::pair<int, std::uint64_t> stretches[] = {
      {8, 20 * MiB}, {31, 30 * MiB}, {32, 700 * MiB}, {20, 600 * MiB}, {1, 0}, {20, 600 * MiB}};
  const std::vector<unsigned char> buffer = readBackInOrder(pattern, base, stretches);
  SectorTally tally;
  pattern.verify(buffer.data(), buffer.size(), base, tally);
  EXPECT_EQ(tally.misplaced, 111);
  EXPECT_EQ(tally.smallestWrapDistance, 20 * MiB);
  EXPECT_EQ(tally.smallestWrapRunDistance, 700 * MiB);
}

// Read back from where a host let go of its copy, a 32 MiB wrap fake returns what was
// written several wraps on: runs that show six and five wraps leave the wrap itself as
// their divisor, and the start of the second run's content as the lowest they showed; a
// copied block at another distance, too short for a run, changes neither.
TEST(SectorTally, WrapRunsKeepTheDivisorOfTheirDistancesAndTheLowestContentTheyShowed) {
  const TestPattern pattern(12);
  constexpr std::uint64_t MiB = 1 << 20;
  constexpr std::uint64_t wrap = 32 * MiB;
  const std::uint64_t base = 40 * MiB;
  const std::pair<int, std::uint64_t> stretches[] = {{40, 6 * wrap}, {8, 100 * MiB}, {40, 5 * wrap}};
  const std::vector<unsigned char> buffer = readBackInOrder(pattern, base, stretches);
  SectorTally tally;
  pattern.verify(buffer.data(), buffer.size(), base, tally);
  EXPECT_EQ(tally.smallestWrapRunDistance, 5 * wrap);
  EXPECT_EQ(tally.wrapRunDistanceDivisor, wrap);
  const std::uint64_t secondRunSource = base + 48 * 512 + 5 * wrap;
  EXPECT_EQ(tally.lowestWrapRunSource, secondRunSource);

  // Tallies of chunks checked apart join as one would have recorded them.
  SectorTally first;
  pattern.verify(buffer.data(), 40 * 512, base, first);
  SectorTally rest;
  pattern.verify(buffer.data() + 40 * 512, buffer.size() - 40 * 512, base + 40 * 512, rest);
  EXPECT_EQ(first.wrapRunDistanceDivisor, 6 * wrap);
  appendTally(first, rest);
  EXPECT_EQ(first.wrapRunDistanceDivisor, wrap);
  EXPECT_EQ(first.lowestWrapRunSource, secondRunSource);
}

TEST(SectorTally, OkAfterFirstBadFollowsRecordingOrder) {
  SectorTally tally;
  tally.record(SectorStatus::ok(), 0);
  tally.record(SectorStatus::blank(), 4096);
  tally.record(SectorStatus::ok(), 512);
  tally.record(SectorStatus::ok(), 8192);
  EXPECT_EQ(tally.ok, 3);
  EXPECT_EQ(tally.okAfterFirstBad, 2);
  EXPECT_EQ(tally.firstBadPosition, 4096u);

  EXPECT_EQ(tally.lastBadEnd, 4096u + 512);

  tally.record(SectorStatus::stale(), 1024);
  EXPECT_EQ(tally.firstBadPosition, 1024u);
  EXPECT_EQ(tally.lastBadEnd, 4096u + 512) << "the highest bad sector ends the bad stretch";
  tally.recordUnreadable(8, 16384);
  EXPECT_EQ(tally.firstBadPosition, 1024u);
  EXPECT_EQ(tally.lastBadEnd, 16384u + 8 * 512);
  EXPECT_EQ(tally.unreadable, 8);
  EXPECT_EQ(tally.badSectors(), 10);
  EXPECT_EQ(tally.badBytes(), 10u * 512);
  EXPECT_EQ(tally.checkedSectors(), 13);
  EXPECT_EQ(tally.okBytes(), 3u * 512);
}

TEST(SectorTally, EqualityCoversTheOptionals) {
  SectorTally a;
  SectorTally b;
  EXPECT_EQ(a, b);
  b.firstBadPosition = 0;
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace tessorin
