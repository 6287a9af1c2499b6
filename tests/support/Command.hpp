#pragma once
// Runs a system tool by absolute path or name with an argument list (never through a
// shell) and collects what it printed. For test fixtures only.

#include <string>
#include <vector>

namespace tessorin::testing {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
  bool ok() const { return exitCode == 0; }
};

CommandResult runCommand(const std::vector<std::string>& arguments);
// Runs the command and throws std::runtime_error with its output when it fails.
std::string runChecked(const std::vector<std::string>& arguments);
bool haveTool(const std::string& name);

}  // namespace tessorin::testing
