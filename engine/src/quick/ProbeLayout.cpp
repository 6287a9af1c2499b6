#include "tessorin/quick/ProbeLayout.hpp"

#include <algorithm>

#include "tessorin/posix/PowerOfTwo.hpp"
#include "tessorin/quick/QuickProbeOptions.hpp"

namespace tessorin {

std::optional<ProbeLayout> ProbeLayout::plan(std::uint64_t freeBytes, const QuickProbeOptions& options) {
  options.validate();
  // An eighth of the free space for the speed zone, in whole segments: the probes need
  // the rest to be spread over the card. A maximum that is not whole segments is cut to
  // whole segments too, since the zone is written and timed segment by segment.
  const std::uint64_t segment = options.zone.segmentBytes;
  const std::uint64_t zoneBytes = std::min(freeBytes / 8, options.zone.maximumBytes) / segment * segment;
  if (freeBytes <= zoneBytes || zoneBytes < segment) return std::nullopt;

  const std::uint64_t rest = freeBytes - zoneBytes;
  const std::uint64_t spacing = std::max(nextPowerOfTwo(rest / static_cast<std::uint64_t>(options.maximumSlots) + 1),
                                         static_cast<std::uint64_t>(options.minimumSpacing));
  const std::uint64_t slotCount = rest / spacing;
  if (slotCount < static_cast<std::uint64_t>(options.coarseStride)) return std::nullopt;

  const auto probes = static_cast<std::uint64_t>(options.maximumProbes);
  const std::uint64_t fineStride = nextPowerOfTwo((slotCount + probes - 1) / probes);
  return ProbeLayout{zoneBytes, spacing, slotCount, static_cast<std::uint64_t>(options.coarseStride) * fineStride,
                     fineStride};
}

}  // namespace tessorin
