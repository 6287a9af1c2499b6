#pragma once
// SpeedSample: the speed a test phase measured over one interval, and where in the
// test's byte space that interval ended. A plain value, safe to copy to any thread.

#include <cstdint>

namespace tessorin {

struct SpeedSample {
  std::uint64_t position = 0;
  double bytesPerSecond = 0;

  friend bool operator==(const SpeedSample&, const SpeedSample&) = default;
};

}  // namespace tessorin
