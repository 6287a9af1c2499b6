#pragma once
// TestPattern: the self-describing 512-byte sector that every test writes and judges.
//
// A pattern holds nothing but its session number, so the writer and a later reader
// (even after the card was removed and reinserted) share only that number and the
// positions. Values of this type are immutable and safe to use from any thread.
//
// Sector layout, 64 little-endian 64-bit words:
//   w0        the ASCII bytes "TESSORIN", 'T' in byte 0
//   w1        session number
//   w2        position: the byte offset of the sector in the writer's byte space
//   w3..w63   SplitMix64 outputs of a generator seeded with (position * G) ^ session

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tessorin {

struct SectorTally;

// The verdict on one sector read back from a card.
struct SectorStatus {
  enum class Kind { ok, blank, stale, misplaced, corrupted };

  Kind kind = Kind::ok;
  // Where the data was written; meaningful for `misplaced` only.
  std::uint64_t source = 0;

  static constexpr SectorStatus ok() { return {Kind::ok, 0}; }
  static constexpr SectorStatus blank() { return {Kind::blank, 0}; }
  static constexpr SectorStatus stale() { return {Kind::stale, 0}; }
  static constexpr SectorStatus misplaced(std::uint64_t source) { return {Kind::misplaced, source}; }
  static constexpr SectorStatus corrupted() { return {Kind::corrupted, 0}; }

  friend constexpr bool operator==(const SectorStatus& a, const SectorStatus& b) {
    return a.kind == b.kind && (a.kind != Kind::misplaced || a.source == b.source);
  }
};

class TestPattern {
 public:
  static constexpr std::size_t sectorSize = 512;
  static constexpr std::size_t wordsPerSector = sectorSize / 8;
  // "TESSORIN" read as a little-endian word.
  static constexpr std::uint64_t magic = 0x4E49524F53534554ULL;

  // A session number of 0 is a programming error.
  explicit TestPattern(std::uint64_t session);

  // A session number drawn uniformly from 1 to 2^64 - 1 from the system's random source.
  static std::uint64_t randomSession();

  std::uint64_t session() const { return session_; }

  // Writes byteCount / 512 sectors into buffer, sector i for position + i * 512.
  // byteCount must be a multiple of 512.
  void fill(void* buffer, std::size_t byteCount, std::uint64_t position) const;

  SectorStatus classify(const void* sector, std::uint64_t position) const;

  // The position an intact sector of this session was written for, read from the sector
  // itself; absent for anything else (another session, blank, damaged). For sectors met
  // where no position was expected, such as on the device outside the test's files.
  std::optional<std::uint64_t> writtenPosition(const void* sector) const;

  // Classifies every whole sector of the buffer (a trailing partial sector is ignored)
  // and records each into tally.
  void verify(const void* buffer, std::size_t byteCount, std::uint64_t position, SectorTally& tally) const;

 private:
  std::uint64_t session_;
};

}  // namespace tessorin
