#pragma once
// OpenFolder: the test folder, opened once, through which every test file is created and
// opened. The folder is opened without following a link and only when it lies on the
// card's own file system; each file inside is opened relative to it, again never through
// a link. A folder swapped for a link while a test runs (anyone who can write the card
// can do that) can then not send the test's files onto another disk. Move-only; owned by
// the one worker thread of a run.

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

class OpenFolder {
 public:
  // Throws PosixError ("open", path, errno): ELOOP or ENOTDIR for a link or a file,
  // EXDEV when the folder is not on the file system of `device` (st_dev).
  static OpenFolder open(const std::filesystem::path& path, dev_t device);

  int fd() const { return fd_.get(); }
  const std::filesystem::path& path() const { return path_; }
  // Where a file of the folder is, for messages.
  std::string pathOf(const std::string& name) const { return (path_ / name).string(); }

  // openat with O_NOFOLLOW and O_CLOEXEC added. Throws PosixError ("open", the file's
  // path, errno).
  FileDescriptor openFile(const std::string& name, int flags, mode_t mode = 0644) const;
  // Removes a file of the folder; errors are ignored.
  void removeFile(const std::string& name) const noexcept;

 private:
  OpenFolder(FileDescriptor fd, std::filesystem::path path) : fd_(std::move(fd)), path_(std::move(path)) {}

  FileDescriptor fd_;
  std::filesystem::path path_;
};

}  // namespace tessorin
