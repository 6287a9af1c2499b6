#include "tessorin/identity/XRayReport.hpp"

#include <algorithm>

namespace tessorin {

XRayReport::Verdict XRayReport::verdict() const {
  const auto any = [this](auto&& predicate) { return std::any_of(signals.begin(), signals.end(), predicate); };
  if (any([](const XRaySignal& s) { return s.severity == XRaySignal::Severity::critical; })) return Verdict::likelyFake;
  if (any([](const XRaySignal& s) { return s.severity == XRaySignal::Severity::warning; })) return Verdict::suspicious;
  if (any([](const XRaySignal& s) { return std::holds_alternative<XRaySignal::RegistersHidden>(s.kind); }))
    return Verdict::notAnalyzed;
  return Verdict::noRedFlags;
}

std::vector<XRaySignal> XRayReport::sortedSignals() const {
  std::vector<XRaySignal> sorted = signals;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const XRaySignal& a, const XRaySignal& b) { return a.severity > b.severity; });
  return sorted;
}

}  // namespace tessorin
