#pragma once
// DeviceStretch: a stretch of the advanced test's bytes that lies in one piece on the
// volume's device, as the file system's extent map tells it. A plain value.

#include <cstdint>

namespace tessorin {

struct DeviceStretch {
  std::uint64_t position = 0;      // in the test's own byte space
  std::uint64_t deviceOffset = 0;  // on the volume's device
  std::uint64_t length = 0;
  // How many of the test's bytes lie before the stretch on the device.
  std::uint64_t rank = 0;

  friend bool operator==(const DeviceStretch&, const DeviceStretch&) = default;
};

}  // namespace tessorin
