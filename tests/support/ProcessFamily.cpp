#include "ProcessFamily.hpp"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace tessorin::testing {

namespace {

struct StatFields {
  char state = 0;
  pid_t parent = 0;
};

// "pid (comm) state ppid ..." of a process or thread; the name may hold spaces and parentheses.
std::optional<StatFields> readStat(const std::filesystem::path& statFile) {
  std::ifstream stat(statFile);
  std::string line;
  std::getline(stat, line);
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos || close + 2 > line.size()) return std::nullopt;
  std::istringstream rest(line.substr(close + 2));
  StatFields fields;
  rest >> fields.state >> fields.parent;
  return fields;
}

}  // namespace

std::vector<pid_t> processAndChildren(pid_t parent) {
  std::vector<pid_t> processes{parent};
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::optional<StatFields> fields = readStat(entry.path() / "stat");
    if (fields && fields->parent == parent) processes.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return processes;
}

bool everyThreadStopped(pid_t process, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  const std::filesystem::path tasks = "/proc/" + std::to_string(process) + "/task";
  const auto allStopped = [&tasks] {
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
      const std::optional<StatFields> fields = readStat(task.path() / "stat");
      if (!fields || fields->state != 'T') return false;
    }
    return !error;
  };
  while (!allStopped()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace tessorin::testing
