#pragma once
// ProbeAnalysis: where the tested probes of a quick check split into a good head and a
// failing tail, the shape a card that holds less than it claims leaves behind. A plain
// value, safe to copy to any thread.

#include <cstdint>
#include <optional>

namespace tessorin {

struct ProbeAnalysis {
  std::optional<std::int64_t> lastGood;  // the nearest ok slot below the cut
  std::int64_t cutSlot = 0;              // the first slot of the failing tail
  std::int64_t badAfter = 0;             // failing tested slots from the cut on
  std::int64_t tailCount = 0;            // tested slots from the cut on
  std::int64_t badBefore = 0;            // failing tested slots below the cut

  // Nearly everything from the cut on fails, and more than one probe says so.
  bool isFakeLike() const {
    return badAfter >= 2 && static_cast<double>(badAfter) >= 0.8 * static_cast<double>(tailCount);
  }

  friend bool operator==(const ProbeAnalysis&, const ProbeAnalysis&) = default;
};

}  // namespace tessorin
