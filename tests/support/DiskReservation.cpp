#include "DiskReservation.hpp"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tessorin::testing {

namespace {

std::string mebibytes(std::uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

}  // namespace

void reserveDisk(const std::string& path, std::uint64_t bytes) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) throw std::runtime_error("cannot make " + path + ": " + std::strerror(errno));
  // posix_fallocate writes zeros where the file system cannot reserve; every file system
  // the tests' temporary folder may sit on reserves (ext4, xfs, btrfs, tmpfs).
  const int error = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes));
  struct statvfs disk {};
  const bool knowsFree = error != 0 && ::fstatvfs(fd, &disk) == 0;
  ::close(fd);
  if (error == 0) return;
  if (error == ENOSPC) {
    const std::uint64_t free = knowsFree ? static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize : 0;
    throw std::runtime_error("not enough free disk for this test: its medium " + path + " needs " + mebibytes(bytes) +
                             ", and the disk holding it has " + mebibytes(free) +
                             " free; free some disk space (other builds and test runs share it) and run it again");
  }
  throw std::runtime_error("cannot reserve " + mebibytes(bytes) + " for " + path + ": " + std::strerror(error));
}

}  // namespace tessorin::testing
