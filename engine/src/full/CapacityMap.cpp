#include "tessorin/full/CapacityMap.hpp"

#include <algorithm>
#include <limits>

namespace tessorin {

CapacityMap::Cell CapacityMap::cell(std::size_t index) const {
  const bool anyGood = good[index] > 0;
  const bool anyBad = bad[index] > 0;
  if (anyGood && anyBad) return Cell::mixed;
  if (anyGood) return Cell::good;
  // A bad cell counts even when writing never marked it: the read-back saw it.
  if (anyBad) return Cell::bad;
  return written[index] ? Cell::written : Cell::untested;
}

std::array<CapacityMap::Cell, CapacityMap::cellCount> CapacityMap::cells() const {
  std::array<Cell, cellCount> all{};
  for (std::size_t i = 0; i < cellCount; ++i) all[i] = cell(i);
  return all;
}

std::size_t CapacityMap::cellIndex(std::uint64_t position) const {
  if (totalBytes == 0) return 0;
  // Positions past the end (a manifest from elsewhere) belong to the last cell; checking
  // first also keeps the product below from overflowing for them.
  if (position >= totalBytes) return cellCount - 1;
  return static_cast<std::size_t>(std::min<std::uint64_t>(position * cellCount / totalBytes, cellCount - 1));
}

namespace {

// The last byte of a range; a range that would run past 2^64 ends there instead of
// wrapping to the start.
std::uint64_t lastByte(std::uint64_t start, std::uint64_t length) {
  return length - 1 > std::numeric_limits<std::uint64_t>::max() - start ? std::numeric_limits<std::uint64_t>::max()
                                                                          : start + (length - 1);
}

std::uint64_t saturatingSum(std::uint64_t a, std::uint64_t b) {
  return b > std::numeric_limits<std::uint64_t>::max() - a ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

}  // namespace

void CapacityMap::markWritten(std::uint64_t start, std::uint64_t length) {
  if (length == 0 || totalBytes == 0) return;
  const std::size_t last = cellIndex(lastByte(start, length));
  for (std::size_t i = cellIndex(start); i <= last; ++i) written[i] = true;
}

void CapacityMap::recordChecked(std::uint64_t start, std::uint64_t length, std::uint64_t okSectors,
                                std::uint64_t badSectors) {
  if (length == 0 || totalBytes == 0) return;
  const std::size_t first = cellIndex(start);
  const std::size_t last = cellIndex(lastByte(start, length));
  const std::uint64_t span = last - first + 1;
  for (std::size_t i = first; i <= last; ++i) {
    good[i] = saturatingSum(good[i], okSectors / span);
    bad[i] = saturatingSum(bad[i], badSectors / span);
  }
  good[first] = saturatingSum(good[first], okSectors % span);
  bad[first] = saturatingSum(bad[first], badSectors % span);
}

}  // namespace tessorin
