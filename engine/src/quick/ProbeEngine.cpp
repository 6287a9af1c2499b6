#include "tessorin/quick/ProbeEngine.hpp"

#include <algorithm>
#include <iterator>

#include "tessorin/quick/QuickProbeResult.hpp"

namespace tessorin {

ProbeEngine::ProbeEngine(const ProbeLayout& layout, std::int64_t probeSize, std::int64_t readPieces,
                         TestPattern pattern)
    : layout(layout),
      probeSize(probeSize),
      readPieces(readPieces),
      pattern(pattern),
      outcomes(layout.slotCount, ProbeOutcome::untested),
      writeSeconds(layout.slotCount, 0.0) {}

void ProbeEngine::record(std::int64_t slot, const SectorTally& tally) {
  pending.erase(slot);
  const ProbeOutcome outcome(tally);
  auto& stored = outcomes[static_cast<std::size_t>(slot)];
  if (outcome == ProbeOutcome::ok) {
    everIntact.insert(slot);
    if (!everBad.contains(slot)) stored = ProbeOutcome::ok;
  } else {
    if (outcome != ProbeOutcome::misplaced && everIntact.contains(slot)) lostAfterVerifying.insert(slot);
    if (outcome == ProbeOutcome::misplaced || !everBad.contains(slot)) stored = outcome;
    everBad.insert(slot);
  }
  if (tally.smallestWrapDistance) {
    wrapDistance = wrapDistance ? std::min(*wrapDistance, *tally.smallestWrapDistance) : *tally.smallestWrapDistance;
  }
}

void ProbeEngine::recordWriteFailure(std::int64_t slot) {
  outcomes[static_cast<std::size_t>(slot)] = ProbeOutcome::writeFailed;
  everBad.insert(slot);
}

void ProbeEngine::recordWritten(std::int64_t slot, double seconds) {
  writeSeconds[static_cast<std::size_t>(slot)] = seconds;
  written.insert(slot);
  pending.insert(slot);
}

std::vector<ProbeCell> ProbeEngine::cells() const {
  std::vector<ProbeCell> cells;
  cells.reserve(outcomes.size());
  for (std::size_t slot = 0; slot < outcomes.size(); ++slot) {
    cells.push_back(pending.contains(static_cast<std::int64_t>(slot)) ? ProbeCell(ProbeCell::written)
                                                                       : ProbeCell(outcomes[slot]));
  }
  return cells;
}

std::vector<std::int64_t> ProbeEngine::nextFineSlots() const {
  const auto count = static_cast<std::int64_t>(outcomes.size());
  const auto fineStride = static_cast<std::int64_t>(layout.fineStride);
  const auto coarseStride = static_cast<std::int64_t>(layout.coarseStride);
  auto untested = [&](std::int64_t slot) { return outcomes[static_cast<std::size_t>(slot)] == ProbeOutcome::untested; };

  std::vector<std::int64_t> candidates;
  for (std::int64_t slot = 0; slot < count; slot += fineStride) {
    if (untested(slot)) candidates.push_back(slot);
  }

  if (wrapDistance) {
    // The wrap is already proven; only the first coarse interval can narrow it further.
    if (layout.coarseStride * layout.spacing < *wrapDistance) return {};
    std::erase_if(candidates, [&](std::int64_t slot) { return slot >= coarseStride; });
    return candidates;
  }

  const auto analysis = QuickProbeResult::analyseOutcomes(outcomes);
  if (!analysis || !analysis->isFakeLike()) return candidates;

  std::vector<std::int64_t> between;
  for (std::int64_t slot = analysis->lastGood.value_or(-1) + 1; slot < analysis->cutSlot; ++slot) {
    if (untested(slot)) between.push_back(slot);
  }
  std::vector<std::int64_t> onStride;
  std::copy_if(between.begin(), between.end(), std::back_inserter(onStride),
               [&](std::int64_t slot) { return slot % fineStride == 0; });
  return onStride.empty() ? between : onStride;
}

}  // namespace tessorin
