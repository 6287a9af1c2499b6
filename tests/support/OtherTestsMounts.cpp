#include "OtherTestsMounts.hpp"

#include <sys/mount.h>

#include <filesystem>

#include "tessorin/posix/MountTable.hpp"

namespace tessorin::testing {

namespace {

bool isUnder(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

}  // namespace

void letGoOfOtherTestsMounts(const std::string& keptSource) {
  const MountTable table = MountTable::read();
  const std::string temporary = std::filesystem::temp_directory_path().string();
  for (auto entry = table.entries().rbegin(); entry != table.entries().rend(); ++entry) {
    if (!keptSource.empty() && entry->source == keptSource) continue;
    const bool foreign = entry->isFuse() || entry->source.rfind("/dev/loop", 0) == 0 ||
                         isUnder(entry->mountPoint, temporary) || isUnder(entry->mountPoint, "/media");
    if (foreign) ::umount2(entry->mountPoint.c_str(), MNT_DETACH);
  }
}

}  // namespace tessorin::testing
