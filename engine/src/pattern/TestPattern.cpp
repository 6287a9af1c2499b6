#include "tessorin/pattern/TestPattern.hpp"

#include <bit>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "tessorin/pattern/SectorTally.hpp"

namespace tessorin {
namespace {

constexpr std::uint64_t golden = 0x9E3779B97F4A7C15ULL;

constexpr std::uint64_t mix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// Sectors are little-endian on every host; on little-endian hosts these compile to plain moves.
inline std::uint64_t loadWord(const unsigned char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

inline void storeWord(unsigned char* bytes, std::uint64_t word) {
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  std::memcpy(bytes, &word, sizeof word);
}

inline std::uint64_t seed(std::uint64_t position, std::uint64_t session) { return (position * golden) ^ session; }

// Whether w3..w63 are the payload of (position, session). Words are compared in runs of
// eight without branching inside a run, which keeps the multipliers busy; the check stops
// at the first run that differs.
bool payloadMatches(const unsigned char* sector, std::uint64_t position, std::uint64_t session) {
  constexpr std::size_t firstWord = 3;
  constexpr std::size_t run = 8;
  std::uint64_t state = seed(position, session);
  std::size_t k = firstWord;
  for (; k + run <= TestPattern::wordsPerSector; k += run) {
    std::uint64_t difference = 0;
    for (std::size_t j = 0; j < run; ++j) {
      state += golden;
      difference |= loadWord(sector + 8 * (k + j)) ^ mix(state);
    }
    if (difference != 0) return false;
  }
  for (; k < TestPattern::wordsPerSector; ++k) {
    state += golden;
    if (loadWord(sector + 8 * k) != mix(state)) return false;
  }
  return true;
}

}  // namespace

TestPattern::TestPattern(std::uint64_t session) : session_(session) {
  if (session == 0) {
    assert(false && "a test session number is never 0");
    std::abort();
  }
}

std::uint64_t TestPattern::randomSession() {
  std::random_device source;
  std::uniform_int_distribution<std::uint64_t> draw(0, std::numeric_limits<std::uint64_t>::max() - 1);
  return draw(source) + 1;
}

void TestPattern::fill(void* buffer, std::size_t byteCount, std::uint64_t position) const {
  if (byteCount % sectorSize != 0) {
    assert(false && "pattern fills whole sectors only");
    std::abort();
  }
  auto* bytes = static_cast<unsigned char*>(buffer);
  for (std::size_t offset = 0; offset < byteCount; offset += sectorSize) {
    unsigned char* sector = bytes + offset;
    const std::uint64_t sectorPosition = position + offset;
    storeWord(sector, magic);
    storeWord(sector + 8, session_);
    storeWord(sector + 16, sectorPosition);
    std::uint64_t state = seed(sectorPosition, session_);
    for (std::size_t k = 3; k < wordsPerSector; ++k) {
      state += golden;
      storeWord(sector + 8 * k, mix(state));
    }
  }
}

SectorStatus TestPattern::classify(const void* sectorBytes, std::uint64_t position) const {
  const auto* sector = static_cast<const unsigned char*>(sectorBytes);
  const std::uint64_t w0 = loadWord(sector);
  if (w0 == 0 || w0 == ~std::uint64_t{0}) {
    for (std::size_t k = 1; k < wordsPerSector; ++k) {
      if (loadWord(sector + 8 * k) != w0) return SectorStatus::corrupted();
    }
    return SectorStatus::blank();
  }
  if (w0 != magic) return SectorStatus::corrupted();
  if (loadWord(sector + 8) != session_) return SectorStatus::stale();
  const std::uint64_t found = loadWord(sector + 16);
  if (found != position) {
    // The position word alone is not trusted: one flipped bit in it on a merely damaged
    // card would otherwise read as an address wrap and brand the card a fake.
    if (found % sectorSize == 0 && payloadMatches(sector, found, session_)) return SectorStatus::misplaced(found);
    return SectorStatus::corrupted();
  }
  return payloadMatches(sector, position, session_) ? SectorStatus::ok() : SectorStatus::corrupted();
}

std::optional<std::uint64_t> TestPattern::writtenPosition(const void* sectorBytes) const {
  const auto* sector = static_cast<const unsigned char*>(sectorBytes);
  if (loadWord(sector) != magic || loadWord(sector + 8) != session_) return std::nullopt;
  const std::uint64_t position = loadWord(sector + 16);
  if (position % sectorSize != 0 || !payloadMatches(sector, position, session_)) return std::nullopt;
  return position;
}

void TestPattern::verify(const void* buffer, std::size_t byteCount, std::uint64_t position, SectorTally& tally) const {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  const std::size_t whole = byteCount - byteCount % sectorSize;
  SectorTally::WrapRun run;
  for (std::size_t offset = 0; offset < whole; offset += sectorSize) {
    tally.record(classify(bytes + offset, position + offset), position + offset, &run);
  }
}

}  // namespace tessorin
