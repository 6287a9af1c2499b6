#pragma once
// UncachedFile: a test file opened so that what is read back comes from the card, not
// from memory. The engine's whole worth rests on this.
//
// Where the file system accepts O_DIRECT the page cache is bypassed; elsewhere (tmpfs,
// some FUSE file systems) the file is buffered and its pages are dropped after every sync
// and before every read. Buffers, offsets and lengths must be multiples of 4096.
// Owned by the one worker thread of a run; move-only.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/OpenFolder.hpp"

namespace tessorin {

class UncachedFile {
 public:
  static constexpr std::size_t alignment = 4096;

  // Throws PosixError ("open", path, errno).
  static UncachedFile open(const std::string& path, int flags, mode_t mode = 0644);
  // The test file `name` inside an open folder, as OpenFolder::openFile opens it: never
  // anything but one of the test's own files, never through a link, never waiting on
  // what stands at the name. Throws PosixError ("open", the file's path, errno) or
  // NotATestFolder.
  static UncachedFile openIn(const OpenFolder& folder, const std::string& name, int flags);
  // Makes the file `name` in the folder (OpenFolder::createFile), then opens it as openIn.
  static UncachedFile createIn(const OpenFolder& folder, const std::string& name, int flags);

  int fd() const { return fd_.get(); }
  const std::string& path() const { return path_; }
  bool isDirect() const { return direct_; }

  // Writes all bytes at offset or throws PosixError ("write", path, errno); a full volume
  // is ENOSPC (PosixError::isDiskFull).
  void writeAt(const void* buffer, std::size_t count, std::uint64_t offset);
  // Reads up to count bytes at offset; fewer only at the end of the file. Throws
  // PosixError ("read", path, errno).
  std::size_t readAt(void* buffer, std::size_t count, std::uint64_t offset);

  // Forces the file to the card (fsync) and, for a buffered file, drops its pages so
  // that the next read goes to the card. Throws PosixError ("fsync", path, errno).
  void sync();
  // Drops the file's cached pages ahead of a read-back; nothing to do when direct.
  void dropCachedPages();

  void close() { fd_.reset(); }

 private:
  UncachedFile(FileDescriptor fd, std::string path, bool direct)
      : fd_(std::move(fd)), path_(std::move(path)), direct_(direct) {}
  static UncachedFile adopt(FileDescriptor fd, const std::string& path);
  // An EINVAL under O_DIRECT is our alignment, never the card's fault: carry on buffered.
  bool fallBackToBuffered();

  FileDescriptor fd_;
  std::string path_;
  bool direct_ = false;
};

}  // namespace tessorin
