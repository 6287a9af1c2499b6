#include <fcntl.h>

#include <algorithm>
#include <functional>

#include "quick/QuickProbeRun.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/UncachedFile.hpp"

namespace tessorin {

void QuickProbeRun::writeProbes(std::vector<std::int64_t> slots, Phase phase) {
  // Highest slot first: on a card that wraps, a probe past the real end lands where a
  // lower one lives; writing the lower one afterwards keeps it intact, so the failures
  // show at the high slots, where the card's capacity really ends.
  std::sort(slots.begin(), slots.end(), std::greater<>());
  const auto total = static_cast<std::int64_t>(slots.size());
  for (std::int64_t done = 0; done < total; ++done) {
    flag_.throwIfCancelled();
    const std::int64_t slot = slots[static_cast<std::size_t>(done)];
    engine_->pattern.fill(probeBuffer_->pointer(), static_cast<std::size_t>(options_.probeSize),
                          engine_->layout.position(static_cast<std::uint64_t>(slot)));
    try {
      engine_->recordWritten(slot, writeProbe(slot));
      noteAccepted(static_cast<std::uint64_t>(options_.probeSize));
    } catch (const PosixError& error) {
      // A card that is gone is not a card that fails its writes: the run ends there.
      prepared_->mount.confirmStillMounted();
      engine_->recordWriteFailure(slot);
      if (cardRefused(error)) noteRefused();
    }
    const auto now = Clock::now();
    if (done + 1 == total || reportIsDue(now)) report(phase, Step::writing, done + 1, total, engine_->cells());
  }
}

double QuickProbeRun::writeProbe(std::int64_t slot) {
  UncachedFile file = UncachedFile::openIn(folder(), slotName(slot), O_RDWR);
  const auto started = Clock::now();
  file.writeAt(probeBuffer_->pointer(), static_cast<std::size_t>(options_.probeSize), 0);
  file.sync();
  return secondsBetween(started, Clock::now());
}

}  // namespace tessorin
