#pragma once
// Engine values for gallery states, built as the engine builds them: a clean speed zone
// and a quick check's probes over a card, for states no loop volume can reach (a 64 GB
// fake, a card whose zone failed).

#include <cmath>
#include <cstdint>
#include <vector>

#include "tessorin/quick/QuickProbeResult.hpp"
#include "tessorin/zone/ZoneResult.hpp"

namespace tessorin::gallery {

constexpr std::uint64_t galleryMB = 1'000'000;

// A zone of 256 MB written at `write` and read at `read` bytes per second, clean.
inline ZoneResult zone(double write, double read) {
  const std::uint64_t bytes = 256 * galleryMB;
  std::vector<double> segments;
  for (int segment = 0; segment < 16; ++segment) segments.push_back(write * (1.0 + 0.04 * std::sin(segment)));
  SectorTally tally;
  tally.ok = static_cast<std::int64_t>(bytes / 512);
  ZoneResult result = ZoneResult::make(bytes, static_cast<double>(bytes) / write, segments,
                                       static_cast<double>(bytes) / read, {read, read * 1.02}, tally, false);
  result.randomReadIOPS = 2400;
  result.randomWriteIOPS = 600;
  return result;
}

// Probes laid out over `volume` bytes after a 256 MB zone; the first `intact` read back,
// the rest came back blank.
inline QuickProbeResult quick(std::uint64_t volume, std::size_t slots, std::size_t intact, const ZoneResult& zoneResult) {
  QuickProbeResult result;
  result.layout.zoneBytes = 256 * galleryMB;
  result.layout.spacing = (volume - result.layout.zoneBytes) / slots;
  result.layout.slotCount = slots;
  result.probeSize = 4 << 20;
  result.volumeBytes = volume;
  for (std::size_t slot = 0; slot < slots; ++slot) {
    result.outcomes.push_back(slot < intact ? ProbeOutcome::ok : ProbeOutcome::blank);
    result.writeSeconds.push_back(0.4 + 0.02 * static_cast<double>(slot % 5));
  }
  result.zone = zoneResult;
  result.completed = QuickProbeResult::Stage::zone;
  result.duration = 58;
  return result;
}

}  // namespace tessorin::gallery
