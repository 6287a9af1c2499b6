#pragma once
// TemporaryFolder: a fresh folder, removed with everything in it when the object goes,
// also after a failed test.

#include <string>

namespace tessorin::testing {

class TemporaryFolder {
 public:
  // Under the system's temporary folder.
  TemporaryFolder();
  // Under `parent`, for what must not live where /tmp does (on a tmpfs, in RAM).
  explicit TemporaryFolder(const std::string& parent);
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace tessorin::testing
