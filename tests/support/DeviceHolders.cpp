#include "DeviceHolders.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tessorin::testing {

namespace fs = std::filesystem;

namespace {

bool holds(const fs::path& process, dev_t device) {
  std::error_code gone;
  for (const auto& fd : fs::directory_iterator(process / "fd", gone)) {
    struct stat status {};
    if (::stat(fd.path().c_str(), &status) == 0 && S_ISBLK(status.st_mode) && status.st_rdev == device) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> otherProcessesHolding(dev_t device) {
  const std::string self = std::to_string(::getpid());
  std::vector<std::string> holders;
  std::error_code error;
  for (const auto& process : fs::directory_iterator("/proc", error)) {
    const std::string pid = process.path().filename().string();
    if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (!holds(process.path(), device)) continue;
    std::string name;
    std::getline(std::ifstream(process.path() / "comm"), name);
    holders.push_back(pid + " (" + name + ")");
  }
  return holders;
}

}  // namespace tessorin::testing
