#pragma once
// ProbeLayout: where the quick check puts its files in the card's free space: one zone
// file for the speed measurement, then equally sized slot files, each holding one probe
// at its start. Positions count in the test area: the zone takes its first `zoneBytes`
// bytes and slot i starts at `zoneBytes` + i * `spacing`; these are the positions the
// probes' sectors carry. A plain value, safe to copy to any thread.

#include <cstdint>
#include <optional>

namespace tessorin {

struct QuickProbeOptions;

struct ProbeLayout {
  std::uint64_t zoneBytes = 0;     // the zone file "Z.otr", whole zone segments
  std::uint64_t spacing = 0;       // size of every slot file, a power of two
  std::uint64_t slotCount = 0;     // slot files; after allocation, those actually allocated
  std::uint64_t coarseStride = 0;  // slot stride of the coarse stage, a multiple of fineStride
  std::uint64_t fineStride = 0;    // slot stride of the fine passes, a power of two

  // Sizes the zone and the slots for `freeBytes` of free space; nothing when the space
  // cannot hold a zone segment and the smallest accepted number of slots. Throws
  // std::invalid_argument for options that fail QuickProbeOptions::check.
  static std::optional<ProbeLayout> plan(std::uint64_t freeBytes, const QuickProbeOptions& options);

  std::uint64_t position(std::uint64_t slot) const { return zoneBytes + slot * spacing; }
  std::uint64_t totalBytes() const { return zoneBytes + slotCount * spacing; }

  friend bool operator==(const ProbeLayout&, const ProbeLayout&) = default;
};

}  // namespace tessorin
