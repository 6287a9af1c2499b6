#include "tessorin/posix/TreeRemoval.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/FileIdentity.hpp"

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
  // Swapped for something else between the look and the open, or another mount: a
  // folder of the card bind-mounted here has the card's device, but not its mount.
  const auto around = FileIdentity::of(parent);
  const auto opened = FileIdentity::of(directory.get());
  if (!around || !opened || opened->device != device || opened->inode != status.st_ino ||
      opened->mountId != around->mountId) {
    return EXDEV;
  }
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
