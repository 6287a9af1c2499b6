#include "tessorin/posix/TestFolderClaim.hpp"

#include <fcntl.h>

#include <algorithm>

namespace tessorin {

void TestFolderClaim::hold(int folder) {
  FileDescriptor copy(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
  struct stat status {};
  if (!copy || ::fstat(copy.get(), &status) != 0) return;
  std::lock_guard guard(lock_);
  held_.push_back(Held{std::move(copy), status.st_dev, status.st_ino});
}

bool TestFolderClaim::holds(const struct stat& folder) const {
  std::lock_guard guard(lock_);
  return std::any_of(held_.begin(), held_.end(), [&folder](const Held& held) {
    return held.device == folder.st_dev && held.inode == folder.st_ino;
  });
}

void TestFolderClaim::forgetRemoved() {
  std::lock_guard guard(lock_);
  std::erase_if(held_, [](const Held& held) {
    struct stat status {};
    return ::fstat(held.fd.get(), &status) != 0 || status.st_nlink == 0;
  });
}

void TestFolderClaim::release() {
  std::lock_guard guard(lock_);
  held_.clear();
}

void TestFolderClaim::noteLeftOnCard() {
  std::lock_guard guard(lock_);
  leftOnCard_ = true;
}

bool TestFolderClaim::leftOnCard() const {
  std::lock_guard guard(lock_);
  return leftOnCard_;
}

}  // namespace tessorin
