#include "tessorin/posix/TestFolder.hpp"

#include <cstdio>

namespace tessorin {

namespace fs = std::filesystem;

std::string TestFolder::numberedFileName(char prefix, int index) {
  char name[32];
  std::snprintf(name, sizeof name, "%c%05d.otr", prefix, index);
  return name;
}

bool TestFolder::exists(const fs::path& volume) {
  std::error_code error;
  return fs::exists(path(volume), error);
}

bool TestFolder::removeLeftovers(const fs::path& volume) {
  if (!exists(volume)) return false;
  fs::remove_all(path(volume));
  return true;
}

void TestFolder::removeQuietly(const fs::path& volume) noexcept {
  std::error_code error;
  fs::remove_all(path(volume), error);
}

TestFolder::Prepared TestFolder::prepare(const fs::path& volume) {
  VolumeMount mount = VolumeMount::pin(volume.string());
  const bool removed = removeLeftovers(volume);
  const fs::path folder = path(volume);
  if (!fs::create_directory(folder)) {
    throw fs::filesystem_error("cannot create the test folder", folder, std::make_error_code(std::errc::file_exists));
  }
  try {
    VolumeStats stats = removed ? VolumeStats::settled(folder.string(), 5.0) : VolumeStats(folder.string());
    return Prepared{folder, std::move(stats), std::move(mount)};
  } catch (...) {
    removeQuietly(volume);
    throw;
  }
}

}  // namespace tessorin
