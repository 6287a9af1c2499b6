#include "tessorin/posix/OpenFolder.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "tessorin/posix/PosixError.hpp"

namespace tessorin {

OpenFolder OpenFolder::open(const std::filesystem::path& path, dev_t device) {
  FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folder) throw PosixError::fromErrno("open", path.string());
  struct stat status {};
  if (::fstat(folder.get(), &status) != 0) throw PosixError::fromErrno("open", path.string());
  if (status.st_dev != device) throw PosixError("open", path.string(), EXDEV);
  return OpenFolder(std::move(folder), path);
}

FileDescriptor OpenFolder::openFile(const std::string& name, int flags, mode_t mode) const {
  FileDescriptor file(::openat(fd_.get(), name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode));
  if (!file) throw PosixError::fromErrno("open", pathOf(name));
  return file;
}

void OpenFolder::removeFile(const std::string& name) const noexcept { ::unlinkat(fd_.get(), name.c_str(), 0); }

}  // namespace tessorin
