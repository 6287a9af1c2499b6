#pragma once
// UnremovableTestFolder: a test folder left on a volume that the volume will not let go,
// as on a fake whose address wrap wrote over its own directories: a folder inside it is
// a mount point (of an empty folder bound there), so removing it fails with EBUSY on any
// file system. Unbound when the object goes, lazily when busy; the folder itself stays.
// Needs root.

#include <string>

#include "TemporaryFolder.hpp"

namespace tessorin::testing {

class UnremovableTestFolder {
 public:
  explicit UnremovableTestFolder(const std::string& volume);
  ~UnremovableTestFolder();
  UnremovableTestFolder(const UnremovableTestFolder&) = delete;
  UnremovableTestFolder& operator=(const UnremovableTestFolder&) = delete;

 private:
  TemporaryFolder source_;
  std::string mountPoint_;
};

}  // namespace tessorin::testing
