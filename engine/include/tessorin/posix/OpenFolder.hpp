#pragma once
// OpenFolder: the test folder, opened once, through which every test file is created and
// opened. The folder is opened without following a link and only when it lies on the
// card's own file system; each file inside is opened relative to it, again never through
// a link. A folder swapped for a link while a test runs (anyone who can write the card
// can do that) can then not send the test's files onto another disk.
//
// Only files the folder made itself are written: a file is made with O_EXCL (a name
// that already stands there is someone else's, a hard link to a photo perhaps), noted in
// MadeFiles, and a file opened again for writing must be one of those. Move-only; owned
// by the one worker thread of a run.

#include <fcntl.h>
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>

#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/MadeFiles.hpp"

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
  // The files this folder made, shared with whoever removes it.
  const std::shared_ptr<MadeFiles>& madeFiles() const { return made_; }

  // Makes the file `name`, empty, and notes it as the test's. Throws NotATestFolder when
  // something already stands at that name (left untouched), PosixError ("open", the
  // file's path, errno) for any other failure.
  FileDescriptor createFile(const std::string& name, int flags = O_RDWR) const;
  // openat with O_NOFOLLOW and O_CLOEXEC added; flags may not create or truncate. A file
  // opened for writing must be one this folder made: anything else throws
  // NotATestFolder. Throws PosixError ("open", the file's path, errno).
  FileDescriptor openFile(const std::string& name, int flags) const;
  // Throws NotATestFolder unless `file`, opened as `name` in this folder, is one it made
  // (for opens with flags of their own).
  void confirmMade(int file, const std::string& name) const;
  // Removes a file this folder made; anything else at that name stays. Errors are ignored.
  void removeFile(const std::string& name) const noexcept;

 private:
  OpenFolder(FileDescriptor fd, std::filesystem::path path)
      : fd_(std::move(fd)), path_(std::move(path)), made_(std::make_shared<MadeFiles>()) {}

  FileDescriptor fd_;
  std::filesystem::path path_;
  std::shared_ptr<MadeFiles> made_;
};

}  // namespace tessorin
