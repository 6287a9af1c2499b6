#include "UnremovableTestFolder.hpp"

#include <filesystem>

#include "Command.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin::testing {

UnremovableTestFolder::UnremovableTestFolder(const std::string& volume)
    : mountPoint_((TestFolder::path(volume) / "stuck").string()) {
  std::filesystem::create_directories(mountPoint_);
  runChecked({"mount", "--bind", source_.path(), mountPoint_});
}

UnremovableTestFolder::~UnremovableTestFolder() {
  if (!runCommand({"umount", mountPoint_}).ok()) runCommand({"umount", "-l", mountPoint_});
}

}  // namespace tessorin::testing
