#include "tessorin/posix/UncachedFile.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "tessorin/posix/PosixError.hpp"

namespace tessorin {

namespace {

// Opens with O_DIRECT where the file system takes it, else without.
template <typename Open>
int openPreferringDirect(int flags, Open open) {
  int fd = open(flags | O_DIRECT);
  if (fd < 0 && errno == EINVAL) fd = open(flags);
  return fd;
}

}  // namespace

UncachedFile UncachedFile::open(const std::string& path, int flags, mode_t mode) {
  const int fd = openPreferringDirect(flags | O_CLOEXEC, [&](int how) { return ::open(path.c_str(), how, mode); });
  if (fd < 0) throw PosixError::fromErrno("open", path);
  return adopt(FileDescriptor(fd), path);
}

UncachedFile UncachedFile::openIn(const OpenFolder& folder, const std::string& name, int flags) {
  FileDescriptor file;
  try {
    file = folder.openFile(name, flags | O_DIRECT);
  } catch (const PosixError& error) {
    if (error.code() != EINVAL) throw;
    file = folder.openFile(name, flags);
  }
  return adopt(std::move(file), folder.pathOf(name));
}

UncachedFile UncachedFile::createIn(const OpenFolder& folder, const std::string& name, int flags) {
  // Made first, then opened as any test file: O_DIRECT that a file system refuses at
  // the open would otherwise leave the new file behind for the retry to find.
  folder.createFile(name);
  return openIn(folder, name, flags);
}

UncachedFile UncachedFile::adopt(FileDescriptor fd, const std::string& path) {
  // Some file systems accept the flag and quietly drop it.
  const int status = ::fcntl(fd.get(), F_GETFL);
  const bool direct = status >= 0 && (status & O_DIRECT) != 0;
  return UncachedFile(std::move(fd), path, direct);
}

bool UncachedFile::fallBackToBuffered() {
  if (!direct_) return false;
  const int status = ::fcntl(fd(), F_GETFL);
  if (status < 0 || ::fcntl(fd(), F_SETFL, status & ~O_DIRECT) != 0) return false;
  direct_ = false;
  return true;
}

void UncachedFile::writeAt(const void* buffer, std::size_t count, std::uint64_t offset) {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t written = ::pwrite(fd(), bytes + done, count - done, static_cast<off_t>(offset + done));
    if (written > 0) {
      done += static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno == EINVAL && fallBackToBuffered()) continue;
    if (written == 0) errno = ENOSPC;
    throw PosixError::fromErrno("write", path_);
  }
}

std::size_t UncachedFile::readAt(void* buffer, std::size_t count, std::uint64_t offset) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd(), bytes + done, count - done, static_cast<off_t>(offset + done));
    if (got > 0) {
      done += static_cast<std::size_t>(got);
      continue;
    }
    if (got == 0) break;
    if (errno == EINTR) continue;
    if (errno == EINVAL && fallBackToBuffered()) {
      dropCachedPages();
      continue;
    }
    throw PosixError::fromErrno("read", path_);
  }
  return done;
}

void UncachedFile::sync() {
  if (::fsync(fd()) != 0) throw PosixError::fromErrno("fsync", path_);
  dropCachedPages();
}

void UncachedFile::dropCachedPages() {
  if (!direct_) ::posix_fadvise(fd(), 0, 0, POSIX_FADV_DONTNEED);
}

}  // namespace tessorin
