#pragma once
// UnwritableFolder: a folder into which nothing can be saved, as a user meets one: a file
// system mounted read-only when run as root (root writes through permission bits), else a
// folder without write permission. Removed when the object goes.

#include <optional>
#include <string>

#include "TemporaryFolder.hpp"
#include "TmpfsMount.hpp"

namespace tessorin::testing {

class UnwritableFolder {
 public:
  // Throws when the read-only file system cannot be made.
  UnwritableFolder();
  ~UnwritableFolder();
  UnwritableFolder(const UnwritableFolder&) = delete;
  UnwritableFolder& operator=(const UnwritableFolder&) = delete;
  const std::string& path() const { return mount_ ? mount_->path() : folder_->path(); }

 private:
  std::optional<TmpfsMount> mount_;
  std::optional<TemporaryFolder> folder_;
};

}  // namespace tessorin::testing
