#include "BusyHost.hpp"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <vector>

namespace tessorin::testing {

namespace {

constexpr int writers = 2;
constexpr std::size_t writeSize = 1 << 20;
// Each writer rewrites a file this long, over and over.
constexpr std::uint64_t bytesPerPass = 256ull << 20;

}  // namespace

BusyHost::BusyHost(std::string cardDevice) : cardDevice_(std::move(cardDevice)) {
  for (int writer = 0; writer < writers; ++writer) threads_.emplace_back([this, writer] { write(writer); });
}

BusyHost::~BusyHost() {
  stopping_ = true;
  for (std::thread& thread : threads_) thread.join();
}

void BusyHost::dropCardCache() const {
  const int device = ::open(cardDevice_.c_str(), O_RDONLY | O_CLOEXEC);
  if (device < 0) return;
  // Writes the device's dirty pages back, then drops every clean one the host holds.
  ::ioctl(device, BLKFLSBUF, 0);
  ::close(device);
}

void BusyHost::write(int writer) const {
  const std::string path = folder_.path() + "/writer" + std::to_string(writer);
  const std::vector<char> block(writeSize, static_cast<char>('a' + writer));
  while (!stopping_) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (file < 0) return;
    for (std::uint64_t written = 0; written < bytesPerPass && !stopping_; written += writeSize) {
      if (::write(file, block.data(), block.size()) < 0) break;
    }
    ::close(file);
  }
}

}  // namespace tessorin::testing
