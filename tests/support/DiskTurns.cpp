#include "DiskTurns.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace tessorin::testing {

namespace fs = std::filesystem;

namespace {

constexpr const char* holdingPrefix = "holding-";
constexpr const char* waitingPrefix = "waiting-";

std::string ownPid() { return std::to_string(::getpid()); }

// The folder's files are opened by root: never through a link, and only in a folder
// that no one else may have put things into.
bool isOurOwn(const std::string& folder) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

int openLocked(const std::string& path, int lockKind) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
  while (::flock(fd, lockKind) != 0) {
    if (errno == EINTR) continue;
    const int error = errno;
    ::close(fd);
    throw std::runtime_error("cannot lock " + path + ": " + std::strerror(error));
  }
  return fd;
}

// Whether a process still keeps the lock on `path`. A file whose process is gone is
// removed on the way.
bool isLive(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool live = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  if (!live) ::unlink(path.c_str());
  ::close(fd);
  return live;
}

std::vector<std::string> namesStartingWith(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) names.push_back(name);
  }
  return names;
}

}  // namespace

DiskTurns::Mark::Mark(Mark&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) { other.fd_ = -1; }

DiskTurns::Mark& DiskTurns::Mark::operator=(Mark&& other) noexcept {
  if (this != &other) {
    release();
    path_ = std::move(other.path_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

DiskTurns::Mark::~Mark() { release(); }

void DiskTurns::Mark::release() {
  if (fd_ < 0) return;
  // Removed while still locked, so no one sees the file unlocked and takes it for a
  // holder that crashed.
  ::unlink(path_.c_str());
  ::close(fd_);
  fd_ = -1;
}

DiskTurns::Turn::~Turn() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<DiskTurns> DiskTurns::forDiskOf(const std::string& folder) {
  struct stat disk {};
  if (::stat(folder.c_str(), &disk) != 0) return std::nullopt;
  std::error_code error;
  const std::string turns =
      (fs::temp_directory_path(error) / ("tessorin-disk-turns-" + std::to_string(disk.st_dev))).string();
  if (error) return std::nullopt;
  if (::mkdir(turns.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
  if (!isOurOwn(turns)) return std::nullopt;
  return DiskTurns(turns);
}

DiskTurns::Turn DiskTurns::take() const { return Turn(openLocked(folder_ + "/turn", LOCK_EX)); }

DiskTurns::Mark DiskTurns::markHolding() const {
  static std::atomic<unsigned> count{0};
  const std::string path = folder_ + "/" + holdingPrefix + ownPid() + "-" + std::to_string(++count);
  return Mark(path, openLocked(path, LOCK_EX));
}

DiskTurns::Mark DiskTurns::markWaiting() const {
  // Fixed-width times, so that the names sort in the order the waiters came.
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  std::string since = std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
  since.insert(0, 20 - std::min<std::size_t>(20, since.size()), '0');
  const std::string path = folder_ + "/" + waitingPrefix + since + "-" + ownPid();
  return Mark(path, openLocked(path, LOCK_EX));
}

bool DiskTurns::othersHold() const {
  const std::string ours = std::string(holdingPrefix) + ownPid() + "-";
  for (const auto& name : namesStartingWith(folder_, holdingPrefix)) {
    if (name.rfind(ours, 0) != 0 && isLive(folder_ + "/" + name)) return true;
  }
  return false;
}

bool DiskTurns::someoneWaitsBefore(const Mark* ownWaiting) const {
  const std::string own = ownWaiting ? fs::path(ownWaiting->path()).filename().string() : std::string();
  for (const auto& name : namesStartingWith(folder_, waitingPrefix)) {
    if ((own.empty() || name < own) && isLive(folder_ + "/" + name)) return true;
  }
  return false;
}

}  // namespace tessorin::testing
