#include "tessorin/posix/DeviceWriteCounter.hpp"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tessorin {

namespace {

constexpr int sectorsWrittenField = 7;  // 1-based, as the kernel's documentation counts
constexpr std::uint64_t statSectorSize = 512;

}  // namespace

std::optional<std::uint64_t> deviceBytesWritten(const std::string& deviceNode) {
  std::error_code error;
  const std::filesystem::path node = std::filesystem::canonical(deviceNode, error);
  if (error) return std::nullopt;
  struct stat info {};
  if (::stat(node.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;

  std::ifstream stat("/sys/class/block/" + node.filename().string() + "/stat");
  std::uint64_t value = 0;
  for (int field = 1; field <= sectorsWrittenField; ++field) {
    if (!(stat >> value)) return std::nullopt;
  }
  return value * statSectorSize;
}

}  // namespace tessorin
