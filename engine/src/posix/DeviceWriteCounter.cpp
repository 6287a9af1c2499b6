#include "tessorin/posix/DeviceWriteCounter.hpp"

#include <fstream>

#include "posix/SysfsBlockFolder.hpp"

namespace tessorin {

namespace {

constexpr int sectorsWrittenField = 7;  // 1-based, as the kernel's documentation counts
// sysfs counts in 512-byte sectors whatever the device's own sector size.
constexpr std::uint64_t sysfsSectorSize = 512;

}  // namespace

std::optional<std::uint64_t> deviceBytesWritten(const std::string& deviceNode) {
  const auto folder = sysfsBlockFolder(deviceNode);
  if (!folder) return std::nullopt;
  std::ifstream stat(*folder / "stat");
  std::uint64_t value = 0;
  for (int field = 1; field <= sectorsWrittenField; ++field) {
    if (!(stat >> value)) return std::nullopt;
  }
  return value * sysfsSectorSize;
}

std::optional<std::uint64_t> deviceSizeBytes(const std::string& deviceNode) {
  const auto folder = sysfsBlockFolder(deviceNode);
  if (!folder) return std::nullopt;
  std::ifstream size(*folder / "size");
  std::uint64_t sectors = 0;
  if (!(size >> sectors)) return std::nullopt;
  return sectors * sysfsSectorSize;
}

}  // namespace tessorin
