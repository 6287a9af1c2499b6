#pragma once
// SpeedSummary: the speed of one whole test phase: its average over the phase, and the
// slowest and fastest of its samples, in bytes per second. A plain value, safe to copy
// to any thread.

namespace tessorin {

struct SpeedSummary {
  double average = 0;
  double minimum = 0;
  double maximum = 0;

  static constexpr SpeedSummary zero() { return {}; }

  friend bool operator==(const SpeedSummary&, const SpeedSummary&) = default;
};

}  // namespace tessorin
