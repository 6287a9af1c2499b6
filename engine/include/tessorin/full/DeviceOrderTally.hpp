#pragma once
// DeviceOrderTally: the advanced test's read-back in the order its sectors lie on the
// device, where the file system's extent map tells that order (TestFileLayout). A fake
// keeps its medium up to its real size and loses the rest, so its kept and lost sectors
// part at one place on the device, whatever order the file system wrote its files in;
// a wrap-around fake stores each sector its real size away on the device, whatever their
// distance in the files. A plain value.

#include <cstdint>
#include <optional>
#include <vector>

#include "tessorin/pattern/SectorTally.hpp"

namespace tessorin {

struct DeviceOrderTally {
  // One stretch the read-back checked, lying in one piece on the device, with what came
  // back from it: positions in its tally are the test's own, but a misplaced sector is
  // one whose content lies at least the tally's minimum wrap distance away on the
  // device, and its wrap distance is measured there.
  struct Piece {
    std::uint64_t position = 0;
    std::uint64_t deviceOffset = 0;
    std::uint64_t rank = 0;  // how many of the test's bytes lie before it on the device
    std::uint64_t length = 0;
    SectorTally tally;
  };

  // Recorded in the order of the device, positions counting the test's bytes that lie
  // before a sector there; wrap distances are the device's.
  SectorTally tally;
  // Where on the device the first bad sector lies.
  std::optional<std::uint64_t> firstBadOffset;
  // Of the ok sectors after the first bad one, those a controller's cache served: the
  // last ones written, which may lie anywhere on the device.
  std::int64_t cachedAfterFirstBad = 0;

  // `cachedFrom`: the test's position from which the read-back came from a controller's
  // cache up to the end of what was written; at that end or past it when none did.
  static DeviceOrderTally fold(std::vector<Piece> pieces, std::uint64_t cachedFrom);

  friend bool operator==(const DeviceOrderTally&, const DeviceOrderTally&) = default;
};

}  // namespace tessorin
