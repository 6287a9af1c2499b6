#pragma once
// QuickProbeProgress: one progress report of the quick check, and of the speed zone test,
// which reports in the same shape. `QuickProbe::Progress` is this type. A plain value:
// made on the worker thread, copied to whichever thread shows it.

#include <cstdint>
#include <optional>
#include <vector>

#include "tessorin/pattern/ProbeCell.hpp"

namespace tessorin {

struct QuickProbeProgress {
  enum class Phase { preparing, coarse, zone, fine, cleaning };
  enum class Step { writing, verifying, flushing, random };

  Phase phase = Phase::preparing;
  Step step = Step::writing;
  std::int64_t completed = 0;        // units done
  std::int64_t total = 0;            // units planned
  double bytesPerSecond = 0;         // set by the zone stage only
  double fraction = 0;               // share done, 0 to 1
  double operationsPerSecond = 0;    // random-access rate, in the random step only
  bool randomWrites = false;         // true while random writes are measured
  std::vector<ProbeCell> cells;      // one per probe slot, or empty; the reporter fills it

  QuickProbeProgress() = default;
  // Without a fraction the share is completed / total (0 for a total of 0).
  QuickProbeProgress(Phase phase, Step step, std::int64_t completed, std::int64_t total, double bytesPerSecond = 0,
                     std::optional<double> fraction = std::nullopt, double operationsPerSecond = 0,
                     bool randomWrites = false)
      : phase(phase),
        step(step),
        completed(completed),
        total(total),
        bytesPerSecond(bytesPerSecond),
        fraction(fraction.value_or(total != 0 ? static_cast<double>(completed) / static_cast<double>(total) : 0)),
        operationsPerSecond(operationsPerSecond),
        randomWrites(randomWrites) {}

  friend bool operator==(const QuickProbeProgress&, const QuickProbeProgress&) = default;
};

}  // namespace tessorin
