#include "session/system/CardFiles.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "tessorin/posix/BlockDeviceProbe.hpp"
#include "tessorin/posix/MountTable.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin {

namespace {

std::vector<std::string> namesIn(int directory) {
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

// Deletes `name` inside `parent`; returns the errno of the first failure, 0 on success.
// A directory on another device (something mounted inside the card) is left alone.
int removeTree(int parent, const std::string& name, dev_t device) {
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
  for (const std::string& child : namesIn(directory.get())) {
    const int error = removeTree(directory.get(), child, device);
    if (error != 0 && firstError == 0) firstError = error;
  }
  directory.reset();
  if (::unlinkat(parent, name.c_str(), AT_REMOVEDIR) != 0 && firstError == 0) firstError = errno;
  return firstError;
}

}  // namespace

CardFiles CardFiles::open(const std::filesystem::path& volume, const std::string& deviceNode,
                          const std::string& fileSystemUUID) {
  std::string path = volume.lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  FileDescriptor root(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!root) throw PosixError::fromErrno("open", path);
  struct stat status {};
  if (::fstat(root.get(), &status) != 0) throw PosixError::fromErrno("fstat", path);

  const MountTable table = MountTable::read();
  std::optional<MountEntry> mount;
  for (const MountEntry& entry : table.entries()) {
    // A later entry at the same place hides an earlier one.
    if (entry.mountPoint == path) mount = entry;
  }
  const bool isCardRoot = mount && !deviceNode.empty() && mount->source == deviceNode &&
                          mount->device == status.st_dev && mount->root == "/";
  if (!isCardRoot) throw PosixError("open", path, ENODEV);
  // Asked once the root is open and its mount checked: a card swapped in before then
  // shows its own UUID here, and one swapped in later is out of the open root's reach.
  if (!fileSystemUUID.empty()) {
    const std::optional<BlockDeviceTags> tags = probeBlockDevice(deviceNode);
    if (tags && !tags->uuid.empty() && tags->uuid != fileSystemUUID) throw PosixError("open", path, ENODEV);
  }
  return CardFiles(std::move(root), status.st_dev, volume);
}

void CardFiles::deleteAllExcept(const std::set<std::string>& kept) const {
  for (const std::string& name : namesIn(root_.get())) {
    if (kept.count(name) == 0) removeTree(root_.get(), name, device_);
  }
}

bool CardFiles::removeTestFolder() const {
  struct stat status {};
  if (::fstatat(root_.get(), TestFolder::name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return false;
    throw PosixError::fromErrno("fstatat", TestFolder::path(volume_).string());
  }
  const int error = removeTree(root_.get(), TestFolder::name, device_);
  if (error != 0) throw PosixError("unlinkat", TestFolder::path(volume_).string(), error);
  return true;
}

}  // namespace tessorin
