#include "session/records/OutcomeVerdict.hpp"

namespace tessorin {

OutcomeVerdict OutcomeVerdict::decide(const std::optional<QuickProbeResult>& quick,
                                      const std::optional<FullTestResult>& full, const std::optional<ZoneResult>& zone) {
  OutcomeVerdict decided;
  const bool quickFake = quick && quick->verdict() == QuickProbeResult::Verdict::fake;
  const bool refusedFirstWrite = full && full->manifest.writtenBytes() == 0 && full->manifest.writeStop.isIOError();
  if (full && (full->manifest.writtenBytes() > 0 || (refusedFirstWrite && !quickFake))) {
    decided.method = CheckOutcome::Method::full;
    decided.realBytes = full->realCapacity();
    switch (full->verdict()) {
      case FullTestResult::Verdict::passed: decided.verdict = CheckOutcome::Verdict::genuine; break;
      case FullTestResult::Verdict::fake: decided.verdict = CheckOutcome::Verdict::fake; break;
      case FullTestResult::Verdict::damaged: decided.verdict = CheckOutcome::Verdict::damaged; break;
      case FullTestResult::Verdict::unconfirmed: decided.verdict = CheckOutcome::Verdict::inconclusive; break;
    }
    return decided;
  }
  if (quick) {
    if (const auto range = quick->realCapacityRange()) decided.realBytes = range->lower;
    switch (quick->verdict()) {
      case QuickProbeResult::Verdict::passed: decided.verdict = CheckOutcome::Verdict::likelyGenuine; break;
      case QuickProbeResult::Verdict::fake: decided.verdict = CheckOutcome::Verdict::fake; break;
      case QuickProbeResult::Verdict::damaged: decided.verdict = CheckOutcome::Verdict::damaged; break;
      case QuickProbeResult::Verdict::inconclusive: decided.verdict = CheckOutcome::Verdict::inconclusive; break;
    }
    return decided;
  }
  if (zone) {
    const SectorTally& tally = zone->tally;
    // Data written for a place a wrap away is what a card that wraps around a smaller
    // real size gives back, and what no cache of the card can serve. No size is taken
    // from it: its distances are offsets within the zone file, whose place on the card
    // no stage measured.
    if (tally.misplaced > 0) {
      decided.verdict = CheckOutcome::Verdict::fake;
      return decided;
    }
    const bool sawDamage =
        tally.blank + tally.stale + tally.corrupted + tally.unreadable != 0 || zone->writeFailed;
    if (sawDamage) decided.verdict = CheckOutcome::Verdict::damaged;
  }
  return decided;
}

}  // namespace tessorin
