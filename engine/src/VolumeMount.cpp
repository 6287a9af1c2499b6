#include "tessorin/VolumeMount.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tessorin/FileDescriptor.hpp"
#include "tessorin/PosixError.hpp"

namespace tessorin {

VolumeMount VolumeMount::pin(const std::string& volumePath) {
  auto entry = MountTable::read().mountContaining(volumePath);
  if (!entry) throw PosixError("mount", volumePath, ENOENT);
  VolumeMount mount;
  mount.volumePath_ = volumePath;
  mount.entry_ = std::move(*entry);
  return mount;
}

void VolumeMount::confirmStillMounted() const {
  struct stat info {};
  if (::stat(volumePath_.c_str(), &info) != 0 || info.st_dev != entry_.device) {
    throw PosixError("mount", volumePath_, ENODEV);
  }
  auto current = MountTable::read().mountContaining(volumePath_);
  if (!current || current->mountId != entry_.mountId || current->device != entry_.device) {
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

void VolumeMount::syncVolume(int anyFileOnVolume) const {
  ::syncfs(anyFileOnVolume);
  dropDeviceCache();
}

}  // namespace tessorin
