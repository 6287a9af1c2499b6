#pragma once
// FileDescriptor: sole owner of one open file descriptor, closed when the owner goes.
// Every error path of a test closes its files before the test folder is removed: a
// FUSE file system keeps an unlinked file that is still open as a hidden file, and the
// folder then cannot be removed.

#include <unistd.h>

#include <utility>

namespace tessorin {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }

  int get() const { return fd_; }
  bool isOpen() const { return fd_ >= 0; }
  explicit operator bool() const { return isOpen(); }

  // Closes now; the result of close is not an error a test can act on.
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

}  // namespace tessorin
