#include "tessorin/posix/VolumeMount.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "tessorin/posix/AlignedBuffer.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/SystemDisks.hpp"

namespace tessorin {

namespace {

std::string canonicalPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) throw PosixError::fromErrno("mount", path);
  std::string result(resolved);
  std::free(resolved);
  return result;
}

}  // namespace

VolumeMount VolumeMount::pin(const std::string& volumePath) {
  const std::string canonical = canonicalPath(volumePath);
  auto entry = MountTable::read().mountContaining(canonical);
  if (!entry) throw PosixError("mount", volumePath, ENOENT);
  // A card's volume is always its own mount point. Any other folder lives on whatever
  // disk holds it: a card unmounted before the test leaves its empty mount point on the
  // system disk, and pinning that would let the test fill the system disk.
  if (entry->mountPoint != canonical) throw PosixError("mount", volumePath, ENODEV);
  // A disk that also holds the running system is never a card: a test would fill it.
  if (entry->sourceIsDeviceNode() && SystemDisks::holds(entry->source)) throw PosixError("mount", volumePath, EPERM);
  struct stat root {};
  if (::stat(canonical.c_str(), &root) != 0) throw PosixError::fromErrno("mount", volumePath);
  VolumeMount mount;
  mount.volumePath_ = volumePath;
  mount.entry_ = std::move(*entry);
  mount.rootDevice_ = root.st_dev;
  return mount;
}

void VolumeMount::confirmStillMounted() const {
  struct stat info {};
  if (::stat(volumePath_.c_str(), &info) != 0) throw PosixError("mount", volumePath_, ENODEV);
  // Mount id and source rather than st_dev: btrfs gives subvolumes device numbers of
  // their own that the mount table does not show.
  auto current = MountTable::read().mountContaining(volumePath_);
  if (!current || current->mountId != entry_.mountId || current->source != entry_.source ||
      current->mountPoint != entry_.mountPoint) {
    throw PosixError("mount", volumePath_, ENODEV);
  }
}

bool VolumeMount::dropDeviceCache() const {
  if (!readsThroughDeviceCache()) return true;
  FileDescriptor device(::open(entry_.source.c_str(), O_RDONLY | O_CLOEXEC));
  if (!device) return false;
  // Dirty pages are not dropped, so write them back first.
  ::fsync(device.get());
  return ::posix_fadvise(device.get(), 0, 0, POSIX_FADV_DONTNEED) == 0;
}

bool VolumeMount::deviceAnswers() const {
  const auto node = deviceNode();
  if (!node) return true;
  // Past every cache, or a copy the host kept of the card would answer for it.
  FileDescriptor device(::open(node->c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC));
  if (!device) return true;
  // A whole page: no device's logical block is larger.
  constexpr std::int64_t blockBytes = 4096;
  const AlignedBuffer block(blockBytes);
  if (::pread(device.get(), block.pointer(), blockBytes, 0) >= 0) return true;
  // A device that refuses unbuffered reads says nothing about the card.
  return errno == EINVAL;
}

void VolumeMount::syncVolume(int anyFileOnVolume) const {
  ::syncfs(anyFileOnVolume);
  dropDeviceCache();
}

}  // namespace tessorin
