#include "ProcessFamily.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tessorin::testing {

std::vector<pid_t> processAndChildren(pid_t parent) {
  std::vector<pid_t> processes{parent};
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    // "pid (comm) state ppid ...": the name may hold spaces and parentheses.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos || close + 2 > line.size()) continue;
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent) processes.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return processes;
}

}  // namespace tessorin::testing
