#pragma once
// OutcomeVerdict: the verdict, method and real capacity of a finished check, from the
// results it holds. The advanced test decides when it checked anything, else the quick
// check, else the speed zone: data that came back written for a place a wrap away means
// a fake, another bad sector or a failed write there means damage, and nothing else is
// conclusive. An advanced test that wrote nothing (the card was full at
// its first chunk) checked nothing and decides nothing, unless the card refused that
// first write: a card that takes no data is damaged, whatever an earlier stage found,
// unless the quick check proved it fake. A pure function.

#include <cstdint>
#include <optional>

#include "session/records/CheckOutcome.hpp"
#include "tessorin/full/FullTestResult.hpp"
#include "tessorin/quick/QuickProbeResult.hpp"
#include "tessorin/zone/ZoneResult.hpp"

namespace tessorin {

struct OutcomeVerdict {
  CheckOutcome::Verdict verdict = CheckOutcome::Verdict::inconclusive;
  CheckOutcome::Method method = CheckOutcome::Method::quick;
  std::optional<std::uint64_t> realBytes;

  static OutcomeVerdict decide(const std::optional<QuickProbeResult>& quick, const std::optional<FullTestResult>& full,
                               const std::optional<ZoneResult>& zone);
};

}  // namespace tessorin
