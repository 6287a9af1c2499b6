#pragma once
// CapacityMap: the advanced test's picture of the card, 256 cells over the bytes the test
// planned to write. Writing marks the cells it reached; the read-back adds the good and
// bad sectors it found in each. A cell is then untested, written, good, bad or mixed.
// A plain value: the worker builds it, every progress report carries a copy.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessorin {

struct CapacityMap {
  static constexpr std::size_t cellCount = 256;

  enum class Cell { untested, written, good, bad, mixed };

  std::uint64_t totalBytes = 0;
  std::array<bool, cellCount> written{};
  // Counts of 512-byte sectors, not bytes.
  std::array<std::uint64_t, cellCount> good{};
  std::array<std::uint64_t, cellCount> bad{};

  // A map over 0 bytes stays untested: marking and recording on it change nothing.
  explicit CapacityMap(std::uint64_t totalBytes = 0) : totalBytes(totalBytes) {}

  std::array<Cell, cellCount> cells() const;
  Cell cell(std::size_t index) const;
  std::size_t cellIndex(std::uint64_t position) const;

  void markWritten(std::uint64_t start, std::uint64_t length);
  // Shares a checked range's sectors evenly among the cells it spans; the first cell
  // takes the remainders, so no sector is lost to rounding.
  void recordChecked(std::uint64_t start, std::uint64_t length, std::uint64_t okSectors, std::uint64_t badSectors);

  friend bool operator==(const CapacityMap&, const CapacityMap&) = default;
};

}  // namespace tessorin
