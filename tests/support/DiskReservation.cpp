#include "DiskReservation.hpp"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace tessorin::testing {

namespace {

using Clock = std::chrono::steady_clock;

// Space freed by a test that just ended may show a moment after its turn is given back
// (its card's program still closing the medium); a disk that stays too full this long
// with no test holding any of it is too full.
constexpr auto settleTime = std::chrono::seconds(5);
// Beyond any test's own time limit: a waiter still waiting then is stuck behind tests
// that each wait for the other.
constexpr auto longestWait = std::chrono::minutes(14);
constexpr auto lookAgainAfter = std::chrono::milliseconds(500);

std::atomic<int> reservationsHeld{0};

std::string mebibytes(std::uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

struct DiskSpace {
  std::uint64_t free = 0;
  std::uint64_t size = 0;
};

DiskSpace spaceOf(int fd) {
  struct statvfs disk {};
  if (::fstatvfs(fd, &disk) != 0) return {};
  return {static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize,
          static_cast<std::uint64_t>(disk.f_blocks) * disk.f_frsize};
}

// An eighth of the disk, at most 512 MiB: room for what tests write beside their media
// on a real disk, and still most of a small tmpfs for the media themselves.
std::uint64_t sliceLeftFree(const DiskSpace& space) { return std::min<std::uint64_t>(space.size / 8, 512ull << 20); }

class MediumFile {
 public:
  explicit MediumFile(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) throw std::runtime_error("cannot make " + path + ": " + std::strerror(errno));
  }
  ~MediumFile() { ::close(fd_); }
  MediumFile(const MediumFile&) = delete;
  MediumFile& operator=(const MediumFile&) = delete;
  int fd() const { return fd_; }

  // posix_fallocate writes zeros where the file system cannot reserve; every file system
  // the tests' temporary folder may sit on reserves (ext4, xfs, btrfs, tmpfs).
  bool allocate(std::uint64_t bytes) const {
    const int error = ::posix_fallocate(fd_, 0, static_cast<off_t>(bytes));
    if (error == 0) return true;
    // A try that ran out of space keeps what it got, which others are waiting for.
    [[maybe_unused]] const int emptied = ::ftruncate(fd_, 0);
    if (error == ENOSPC) return false;
    throw std::runtime_error("cannot reserve " + mebibytes(bytes) + " for " + path_ + ": " + std::strerror(error));
  }

 private:
  std::string path_;
  int fd_ = -1;
};

[[noreturn]] void tooLittleDisk(const std::string& path, std::uint64_t bytes, const DiskSpace& space,
                                const std::string& after) {
  throw std::runtime_error("not enough free disk for this test" + after + ": its medium " + path + " needs " +
                           mebibytes(bytes) + " and " + mebibytes(sliceLeftFree(space)) +
                           " more kept free beside it, and the disk holding it has " + mebibytes(space.free) +
                           " free; free some disk space (other builds and test runs share it) and run it again");
}

}  // namespace

DiskReservation::DiskReservation(std::string path, std::uint64_t bytes) : path_(std::move(path)) {
  const MediumFile medium(path_);
  const auto turns = DiskTurns::forDiskOf(std::filesystem::path(path_).parent_path().string());
  if (!turns) {
    const DiskSpace space = spaceOf(medium.fd());
    if (!medium.allocate(bytes)) tooLittleDisk(path_, bytes, space, "");
    return;
  }

  const auto began = Clock::now();
  auto holderLastSeen = began - settleTime;
  DiskTurns::Mark waiting;
  bool isWaiting = false;
  for (;;) {
    {
      const DiskTurns::Turn turn = turns->take();
      const DiskSpace space = spaceOf(medium.fd());
      // A test already holding a medium does not queue behind those waiting for it to end.
      const bool behindOthers = reservationsHeld == 0 && turns->someoneWaitsBefore(isWaiting ? &waiting : nullptr);
      if (!behindOthers && space.free >= bytes + sliceLeftFree(space) && medium.allocate(bytes)) {
        holding_ = turns->markHolding();
        ++reservationsHeld;
        return;
      }
      const auto now = Clock::now();
      if (turns->othersHold()) holderLastSeen = now;
      if (!behindOthers && now - holderLastSeen >= settleTime) tooLittleDisk(path_, bytes, space, "");
      if (now - began >= longestWait) {
        const auto minutes = std::chrono::duration_cast<std::chrono::minutes>(now - began).count();
        tooLittleDisk(path_, bytes, space,
                      " after waiting " + std::to_string(minutes) + " minutes for other tests to give theirs back");
      }
      if (!isWaiting) {
        waiting = turns->markWaiting();
        isWaiting = true;
        std::fprintf(stderr, "waiting for other tests to give back disk: the medium %s needs %s, %s free\n",
                     path_.c_str(), mebibytes(bytes).c_str(), mebibytes(space.free).c_str());
      }
    }
    std::this_thread::sleep_for(lookAgainAfter);
  }
}

DiskReservation::~DiskReservation() {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
  if (holding_.path().empty()) return;
  --reservationsHeld;
}

}  // namespace tessorin::testing
