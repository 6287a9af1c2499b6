#pragma once
// XRayReport: every finding of one X-ray, in the order the rules raised them, and the
// verdict that follows from them. A plain value, safe to copy to any thread.

#include <vector>

#include "tessorin/identity/XRaySignal.hpp"

namespace tessorin {

struct XRayReport {
  enum class Verdict { noRedFlags, suspicious, likelyFake, notAnalyzed };

  std::vector<XRaySignal> signals;

  // Any critical signal makes it likely fake, else any warning suspicious; a card whose
  // registers stayed hidden, with nothing else against it, was not analysed.
  Verdict verdict() const;
  // Most severe first; equal severities keep the order in which they were raised.
  std::vector<XRaySignal> sortedSignals() const;

  friend bool operator==(const XRayReport&, const XRayReport&) = default;
};

}  // namespace tessorin
