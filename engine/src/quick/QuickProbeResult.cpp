#include "tessorin/quick/QuickProbeResult.hpp"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <numeric>

namespace tessorin {

namespace {

// More than half of the zone's checked sectors came back bad.
bool mostlyBad(const SectorTally& tally) {
  const std::int64_t checked = tally.checkedSectors();
  return checked > 0 && 2 * tally.badSectors() > checked;
}

bool namesEverySlotOnce(const std::vector<std::int64_t>& order, std::size_t slotCount) {
  if (order.size() != slotCount) return false;
  std::vector<bool> named(slotCount, false);
  for (const std::int64_t slot : order) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= slotCount || named[static_cast<std::size_t>(slot)]) return false;
    named[static_cast<std::size_t>(slot)] = true;
  }
  return true;
}

}  // namespace

std::optional<ProbeAnalysis> QuickProbeResult::analyseOutcomes(const std::vector<ProbeOutcome>& outcomes) {
  std::vector<std::int64_t> tested;
  std::int64_t failing = 0;
  for (std::size_t slot = 0; slot < outcomes.size(); ++slot) {
    if (!outcomes[slot].isTested()) continue;
    tested.push_back(static_cast<std::int64_t>(slot));
    if (outcomes[slot].isFailure()) ++failing;
  }
  if (failing == 0) return std::nullopt;

  // The cut maximises the failures from it on plus the good probes below it; on equal
  // scores the lowest cut wins.
  std::size_t cut = 0;
  std::int64_t bestScore = -1;
  std::int64_t failingBefore = 0;
  std::int64_t okBefore = 0;
  std::int64_t failingBeforeCut = 0;
  for (std::size_t j = 0; j < tested.size(); ++j) {
    const ProbeOutcome outcome = outcomes[static_cast<std::size_t>(tested[j])];
    if (outcome.isFailure()) {
      const std::int64_t score = (failing - failingBefore) + okBefore;
      if (score > bestScore) {
        bestScore = score;
        cut = j;
        failingBeforeCut = failingBefore;
      }
      ++failingBefore;
    } else if (outcome == ProbeOutcome::ok) {
      ++okBefore;
    }
  }

  ProbeAnalysis analysis;
  analysis.cutSlot = tested[cut];
  analysis.tailCount = static_cast<std::int64_t>(tested.size() - cut);
  analysis.badAfter = failing - failingBeforeCut;
  analysis.badBefore = failingBeforeCut;
  for (std::size_t j = cut; j-- > 0;) {
    if (outcomes[static_cast<std::size_t>(tested[j])] == ProbeOutcome::ok) {
      analysis.lastGood = tested[j];
      break;
    }
  }
  return analysis;
}

QuickProbeResult::Verdict QuickProbeResult::verdict() const {
  const bool wrapped = wrapDistance || deviceStart.provesWrap();
  // The host's copy of the card holds at each place what was written for that place, and
  // the device's start is read past it: a probe written for another place came from the
  // card. Probes the copy still held read back intact wherever they lie, though: neither
  // where the card stops keeping them nor whether it fails at all can be told from them.
  if (!readBackReachedCard) return wrapped ? Verdict::fake : Verdict::inconclusive;
  if (wrapped) return Verdict::fake;
  const auto analysis = analyseOutcomes(judgedOutcomes());
  const bool fakeLike = analysis && analysis->isFakeLike();
  if (fakeLike && (analysis->lastGood || zoneIntact())) return Verdict::fake;
  // A card that refuses to be written can be trusted with nothing new, whatever stage
  // it refused in.
  if (writesRefusedAfter) return Verdict::damaged;
  if (zone && (zone->writeFailed || mostlyBad(zone->tally))) return Verdict::damaged;
  // A failing tail with nothing good below it: a fake, or a card that fails everywhere.
  if (fakeLike) return zone ? Verdict::damaged : Verdict::inconclusive;
  if (failingCount() > 0) return Verdict::damaged;
  if (zone && zone->tally.badSectors() > 0) return Verdict::damaged;
  return Verdict::passed;
}

std::vector<ProbeOutcome> QuickProbeResult::judgedOutcomes() const {
  std::vector<ProbeOutcome> judged = outcomes;
  // A fake keeps its medium up to its real size, wherever the file system put the slots:
  // their failures part from their good probes in the order of the device.
  if (!testAreaInOrder && namesEverySlotOnce(slotsInDeviceOrder, outcomes.size())) {
    for (std::size_t k = 0; k < judged.size(); ++k) {
      judged[k] = outcomes[static_cast<std::size_t>(slotsInDeviceOrder[k])];
    }
  }
  // Probes the card refused once it had stopped accepting writes say nothing of where
  // its capacity ends: a fake refuses writes past its end and takes the ones below.
  if (writesRefusedAfter) std::replace(judged.begin(), judged.end(), ProbeOutcome::writeFailed, ProbeOutcome::untested);
  return judged;
}

WriteRefusal QuickProbeResult::writeRefusal() const {
  if (!writesRefusedAfter) return WriteRefusal::none;
  if (verdict() == Verdict::fake) return WriteRefusal::losesData;
  const bool probeLost = std::any_of(outcomes.begin(), outcomes.end(), [](ProbeOutcome outcome) {
    return outcome == ProbeOutcome::unreadable || outcome == ProbeOutcome::misplaced ||
           outcome == ProbeOutcome::corrupted;
  });
  const bool zoneLost = zone && zone->tally.lostSectors() > 0;
  if (probeLost || zoneLost) return WriteRefusal::losesData;
  return readBackReachedCard ? WriteRefusal::readOnly : WriteRefusal::keptUnknown;
}

bool QuickProbeResult::zoneIntact() const {
  return zone && !zone->writeFailed && !mostlyBad(zone->tally) && zone->bytes > 0;
}

bool QuickProbeResult::zoneHasErrors() const {
  return zone && (zone->writeFailed || zone->tally.badSectors() > 0);
}

std::int64_t QuickProbeResult::failedProbeCount() const {
  if (verdict() != Verdict::fake) return 0;
  if (wrapDistance) {
    return std::count_if(outcomes.begin(), outcomes.end(), [](ProbeOutcome outcome) {
      return outcome == ProbeOutcome::corrupted || outcome == ProbeOutcome::unreadable;
    });
  }
  const auto analysis = analyseOutcomes(judgedOutcomes());
  return analysis ? analysis->badBefore : 0;
}

std::optional<QuickProbeResult::CapacityRange> QuickProbeResult::realCapacityRange() const {
  if (verdict() != Verdict::fake || !testAreaInOrder) return std::nullopt;
  // Through the host's copy only the probes it let go of came back from the card, and
  // the nearest wrap among them may be any multiple of the real size.
  if (!readBackReachedCard) return std::nullopt;
  if (wrapDistance) {
    if (wrapMayBeAMultiple()) return std::nullopt;
    const std::uint64_t real = std::min(volumeBytes, *wrapDistance);
    return CapacityRange{real, real};
  }
  const auto analysis = analyseOutcomes(judgedOutcomes());
  // A fake known only by what wrapped onto its first sectors gives no place where it ends.
  if (!analysis || !analysis->isFakeLike()) return std::nullopt;

  std::uint64_t goodEnd = 0;
  if (analysis->lastGood) {
    goodEnd = layout.position(static_cast<std::uint64_t>(*analysis->lastGood)) + static_cast<std::uint64_t>(probeSize);
  } else if (zone && zone->bytes > 0 && zone->tally.badSectors() == 0) {
    goodEnd = zone->bytes;
  }
  const std::uint64_t cutStart = layout.position(static_cast<std::uint64_t>(analysis->cutSlot));
  const std::uint64_t lower = std::min(usedBytes + goodEnd, volumeBytes);
  const std::uint64_t upper = std::min(usedBytes + std::max(cutStart, goodEnd), volumeBytes);
  return CapacityRange{lower, upper};
}

bool QuickProbeResult::wrapMayBeAMultiple() const {
  const std::uint64_t distance = *wrapDistance;
  // The zone is written after the probes, over the places where the probes below the
  // distance wrapped to.
  const bool zoneFailed = zone && zone->writeFailed;
  for (std::size_t misplaced = 0; misplaced < outcomes.size(); ++misplaced) {
    if (outcomes[misplaced] != ProbeOutcome::misplaced) continue;
    const std::uint64_t read = layout.position(misplaced);
    if (zoneFailed && read < layout.zoneBytes + distance) return true;
    for (std::size_t failed = 0; failed < outcomes.size(); ++failed) {
      if (outcomes[failed] != ProbeOutcome::writeFailed) continue;
      const std::uint64_t written = layout.position(failed);
      const std::uint64_t apart = written > read ? written - read : read - written;
      // A card of the size `shorter` wraps this probe's place onto the failed one's as
      // well: had that write gone through, `shorter` or a multiple below the distance
      // would have shown.
      const std::uint64_t shorter = std::gcd(apart, distance);
      if (apart < distance && shorter >= SectorTally::minimumWrapDistance) return true;
    }
  }
  return false;
}

std::int64_t QuickProbeResult::okCount() const {
  return std::count(outcomes.begin(), outcomes.end(), ProbeOutcome::ok);
}

std::int64_t QuickProbeResult::testedCount() const {
  return std::count_if(outcomes.begin(), outcomes.end(), [](ProbeOutcome outcome) { return outcome.isTested(); });
}

std::int64_t QuickProbeResult::failingCount() const {
  return std::count_if(outcomes.begin(), outcomes.end(), [](ProbeOutcome outcome) { return outcome.isFailure(); });
}

double QuickProbeResult::coveredFraction() const {
  if (volumeBytes == 0) return 1.0;
  return static_cast<double>(volumeBytes - std::min(volumeBytes, usedBytes)) / static_cast<double>(volumeBytes);
}

std::int64_t QuickProbeResult::stalledWriteCount() const {
  std::vector<double> times;
  std::copy_if(writeSeconds.begin(), writeSeconds.end(), std::back_inserter(times), [](double s) { return s > 0; });
  if (times.empty()) return 0;
  std::sort(times.begin(), times.end());
  // A slow card writes every probe slowly; only writes far beyond its own typical one,
  // and beyond what any card may take now and then, count as stalls.
  const double threshold = std::max(4 * times[times.size() / 2], 3.0);
  return std::count_if(times.begin(), times.end(), [threshold](double s) { return s > threshold; });
}

double QuickProbeResult::maximumWriteSeconds() const {
  if (writeSeconds.empty()) return 0;
  return *std::max_element(writeSeconds.begin(), writeSeconds.end());
}

}  // namespace tessorin
