#include "TmpfsMount.hpp"

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tessorin::testing {

TmpfsMount::TmpfsMount(std::uint64_t bytes) {
  const std::string size = "size=" + std::to_string(bytes);
  if (::mount("tmpfs", path().c_str(), "tmpfs", 0, size.c_str()) != 0) {
    throw std::runtime_error("cannot mount a tmpfs: " + std::string(std::strerror(errno)));
  }
}

TmpfsMount::~TmpfsMount() { ::umount2(path().c_str(), MNT_DETACH); }

}  // namespace tessorin::testing
