#include "tessorin/posix/TestFolderClaim.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

namespace tessorin {

void TestFolderClaim::hold(int folder, std::shared_ptr<MadeFiles> made) {
  FileDescriptor copy(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
  const auto identity = copy ? FileIdentity::of(copy.get()) : std::nullopt;
  if (!identity) return;
  std::lock_guard guard(lock_);
  held_.push_back(Held{std::move(copy), *identity, std::move(made)});
}

bool TestFolderClaim::holds(const FileIdentity& folder) const {
  std::lock_guard guard(lock_);
  return std::any_of(held_.begin(), held_.end(), [&folder](const Held& held) { return held.identity == folder; });
}

std::vector<TestFolderClaim::HeldFolder> TestFolderClaim::heldFolders() const {
  std::lock_guard guard(lock_);
  std::vector<HeldFolder> folders;
  for (const Held& held : held_) {
    FileDescriptor copy(::fcntl(held.fd.get(), F_DUPFD_CLOEXEC, 0));
    if (copy) folders.push_back(HeldFolder{std::move(copy), held.made});
  }
  return folders;
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
