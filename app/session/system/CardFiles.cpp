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
#include "tessorin/posix/SystemDisks.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/posix/TreeRemoval.hpp"

namespace tessorin {

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
  // A disk that also holds the running system is never a card, whatever it is mounted as.
  if (SystemDisks::holds(deviceNode)) throw PosixError("open", path, EPERM);
  // Asked once the root is open and its mount checked: a card swapped in before then
  // shows its own UUID here, and one swapped in later is out of the open root's reach.
  if (!fileSystemUUID.empty()) {
    const std::optional<BlockDeviceTags> tags = probeBlockDevice(deviceNode);
    if (tags && !tags->uuid.empty() && tags->uuid != fileSystemUUID) throw PosixError("open", path, ENODEV);
  }
  return CardFiles(std::move(root), status.st_dev, volume);
}

bool CardFiles::deleteAllExcept(const std::set<std::string>& kept) const {
  bool refused = false;
  for (const std::string& name : namesInDirectory(root_.get())) {
    if (kept.count(name) == 0 && removeTreeAt(root_.get(), name, device_) == EROFS) refused = true;
  }
  return !refused && (::fsync(root_.get()) == 0 || errno == EINVAL);
}

bool CardFiles::removeTestFolder() const { return TestFolder::removeLeftoversAt(root_.get(), volume_); }

}  // namespace tessorin
