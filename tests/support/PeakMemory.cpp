#include "PeakMemory.hpp"

#include <fstream>
#include <string>

namespace tessorin::testing {

std::int64_t peakMemoryKiB(pid_t process) {
  std::ifstream status("/proc/" + std::to_string(process) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
  }
  return 0;
}

void resetPeakMemory(pid_t process) {
  std::ofstream clear("/proc/" + std::to_string(process) + "/clear_refs");
  clear << "5";
}

}  // namespace tessorin::testing
