#include "pattern/DeviceReads.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tessorin {

FileDescriptor openDeviceUncached(const std::string& deviceNode) {
  FileDescriptor device(::open(deviceNode.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC));
  if (!device && errno == EINVAL) {
    device = FileDescriptor(::open(deviceNode.c_str(), O_RDONLY | O_CLOEXEC));
    // What the host still caches of the device would be memory, not the card.
    if (device) ::posix_fadvise(device.get(), 0, 0, POSIX_FADV_DONTNEED);
  }
  return device;
}

std::size_t readDeviceFully(int fd, unsigned char* buffer, std::size_t count, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
    if (got > 0) {
      done += static_cast<std::size_t>(got);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    break;
  }
  return done;
}

}  // namespace tessorin
