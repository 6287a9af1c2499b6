#include "tessorin/full/DeviceOrderTally.hpp"

#include <algorithm>

#include "pattern/PatternWorker.hpp"

namespace tessorin {

namespace {

// The piece's tally with its positions moved from the test's byte space to the device's
// order.
SectorTally inDeviceOrder(const DeviceOrderTally::Piece& piece) {
  SectorTally tally = piece.tally;
  const auto move = [&piece](std::optional<std::uint64_t>& position) {
    if (position) *position = *position - piece.position + piece.rank;
  };
  move(tally.firstBadPosition);
  move(tally.lastBadEnd);
  return tally;
}

// The piece's bytes from `cachedFrom` on that lie after the first bad sector on the
// device, all of them ok: the cached run follows the last bad sector in writing order.
std::uint64_t cachedBytesAfter(const DeviceOrderTally::Piece& piece, std::uint64_t cachedFrom,
                               std::uint64_t firstBadRank) {
  const std::uint64_t end = piece.position + piece.length;
  const std::uint64_t from = std::max(piece.position, cachedFrom);
  if (from >= end) return 0;
  const std::uint64_t rankFrom = std::max(piece.rank + (from - piece.position), firstBadRank + TestPattern::sectorSize);
  const std::uint64_t rankEnd = piece.rank + piece.length;
  return rankFrom < rankEnd ? rankEnd - rankFrom : 0;
}

}  // namespace

DeviceOrderTally DeviceOrderTally::fold(std::vector<Piece> pieces, std::uint64_t cachedFrom) {
  std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.deviceOffset < b.deviceOffset; });
  DeviceOrderTally folded;
  for (const Piece& piece : pieces) {
    if (!folded.firstBadOffset && piece.tally.firstBadPosition) {
      folded.firstBadOffset = piece.deviceOffset + (*piece.tally.firstBadPosition - piece.position);
    }
    appendTally(folded.tally, inDeviceOrder(piece));
  }
  if (!folded.tally.firstBadPosition) return folded;
  std::uint64_t cachedBytes = 0;
  for (const Piece& piece : pieces) cachedBytes += cachedBytesAfter(piece, cachedFrom, *folded.tally.firstBadPosition);
  folded.cachedAfterFirstBad =
      std::min(static_cast<std::int64_t>(cachedBytes / TestPattern::sectorSize), folded.tally.okAfterFirstBad);
  return folded;
}

}  // namespace tessorin
