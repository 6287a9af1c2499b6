#include "tessorin/pattern/ProbeOutcome.hpp"

#include <utility>

#include "tessorin/pattern/SectorTally.hpp"

namespace tessorin {

ProbeOutcome::ProbeOutcome(const SectorTally& tally) : value_(ok) {
  if (tally.badSectors() < 1) return;
  // In order of precedence: an earlier kind keeps the lead on a tie.
  const std::pair<Value, std::int64_t> kinds[] = {
      {misplaced, tally.misplaced}, {blank, tally.blank},         {stale, tally.stale},
      {unreadable, tally.unreadable}, {corrupted, tally.corrupted},
  };
  std::pair<Value, std::int64_t> leader = kinds[0];
  for (const auto& kind : kinds) {
    if (kind.second > leader.second) leader = kind;
  }
  value_ = leader.first;
}

}  // namespace tessorin
