#include "posix/SysfsBlockFolder.hpp"

#include <sys/stat.h>

namespace tessorin {

std::optional<std::filesystem::path> sysfsBlockFolder(const std::string& deviceNode) {
  std::error_code error;
  const std::filesystem::path node = std::filesystem::canonical(deviceNode, error);
  if (error) return std::nullopt;
  struct stat info {};
  if (::stat(node.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;
  return std::filesystem::path("/sys/class/block") / node.filename();
}

}  // namespace tessorin
