#pragma once
// SystemTool: runs a system program by its absolute path with an argument list, never
// through a shell, optionally feeding it standard input, and collects standard output and
// standard error together. Blocks; call it off the main thread.

#include <string>
#include <vector>

namespace tessorin {

struct SystemTool {
  struct Result {
    int exitCode = -1;    // -1 when the program could not be started or did not exit
    std::string output;
  };

  static Result run(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& input = {});
  // The last line of the output that is not empty.
  static std::string lastLine(const std::string& output);
};

}  // namespace tessorin
