#include "BusyHost.hpp"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace tessorin::testing {

namespace {

constexpr int writers = 2;
constexpr std::size_t writeSize = 1 << 20;
// Each writer rewrites a file this long, over and over.
constexpr std::uint64_t bytesPerPass = 256ull << 20;
// Paced, as a build's writers are: unpaced, the writers of eight cases at once took the
// host's whole disk (about 450 MB/s here), each card under test got 6 MB/s, and cases
// ran into their time limits. Paced, a pass still outlasts the host's 30 s before it
// writes dirty pages back, so they are pushed out to the disk as before.
constexpr std::uint64_t bytesPerSecond = 8ull << 20;

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
  const auto start = std::chrono::steady_clock::now();
  std::uint64_t total = 0;
  while (!stopping_) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (file < 0) return;
    for (std::uint64_t written = 0; written < bytesPerPass && !stopping_; written += writeSize) {
      if (::write(file, block.data(), block.size()) < 0) break;
      total += writeSize;
      std::this_thread::sleep_until(start + std::chrono::microseconds(total * 1'000'000 / bytesPerSecond));
    }
    ::close(file);
  }
}

}  // namespace tessorin::testing
