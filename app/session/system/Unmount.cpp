#include "session/system/Unmount.hpp"

#include <chrono>
#include <thread>

namespace tessorin {

SystemTool::Result unmountPatiently(const std::string& mountPoint) {
  constexpr int attempts = 20;
  constexpr auto pause = std::chrono::milliseconds(250);
  SystemTool::Result result;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    result = SystemTool::run("/usr/bin/umount", {mountPoint});
    if (result.exitCode == 0 || result.output.find("busy") == std::string::npos) return result;
    std::this_thread::sleep_for(pause);
  }
  return result;
}

}  // namespace tessorin
