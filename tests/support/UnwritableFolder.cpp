#include "UnwritableFolder.hpp"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tessorin::testing {

UnwritableFolder::UnwritableFolder() {
  if (::geteuid() == 0) {
    mount_.emplace(1 << 20);
    // A fresh tmpfs is open to all, like /tmp, and no one keeps their files in such a folder.
    ::chmod(mount_->path().c_str(), 0755);
    if (::mount(nullptr, mount_->path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      throw std::runtime_error("cannot remount a tmpfs read-only: " + std::string(std::strerror(errno)));
    }
  } else {
    folder_.emplace();
    ::chmod(folder_->path().c_str(), S_IRUSR | S_IXUSR);
  }
}

UnwritableFolder::~UnwritableFolder() {
  // The temporary folder removes itself only once it may be written again.
  if (folder_) ::chmod(folder_->path().c_str(), S_IRWXU);
}

}  // namespace tessorin::testing
