#include "tessorin/posix/TreeRemoval.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

std::vector<std::string> namesInDirectory(int directory) {
  std::vector<std::string> names;
  const int listing = ::fcntl(directory, F_DUPFD_CLOEXEC, 0);
  if (listing < 0) return names;
  DIR* stream = ::fdopendir(listing);
  if (stream == nullptr) {
    ::close(listing);
    return names;
  }
  ::rewinddir(stream);
  while (dirent* entry = ::readdir(stream)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(stream);
  return names;
}

int removeTreeAt(int parent, const std::string& name, dev_t device) {
  struct stat status {};
  if (::fstatat(parent, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (!S_ISDIR(status.st_mode)) return ::unlinkat(parent, name.c_str(), 0) == 0 ? 0 : errno;
  if (status.st_dev != device) return EXDEV;
  FileDescriptor directory(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!directory) return errno;
  struct stat opened {};
  if (::fstat(directory.get(), &opened) != 0) return errno;
  // Swapped for something else between the look and the open.
  if (opened.st_dev != device || opened.st_ino != status.st_ino) return EXDEV;
  int firstError = 0;
  for (const std::string& child : namesInDirectory(directory.get())) {
    const int error = removeTreeAt(directory.get(), child, device);
    if (error != 0 && firstError == 0) firstError = error;
  }
  directory.reset();
  if (::unlinkat(parent, name.c_str(), AT_REMOVEDIR) != 0 && firstError == 0) firstError = errno;
  return firstError;
}

}  // namespace tessorin
