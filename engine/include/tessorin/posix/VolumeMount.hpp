#pragma once
// VolumeMount: the mounted volume a test writes to, pinned when the test starts.
//
// It guards the system disk: a card unmounted mid-test leaves its mount point as an
// empty folder on the disk below, and a test must never go on filling that disk. Before
// writing, a test confirms the path still resolves to the mount it pinned.
//
// It also reaches past the last cache: a volume mounted through FUSE on a block device
// (exFAT through exfat-fuse, NTFS through ntfs-3g) is read by its daemon through the
// host's cache of the device, so O_DIRECT on the file does not reach the card; the
// device's cached pages must be dropped after each sync and before each read-back.
// A plain value; copies may be used on the run's worker thread.

#include <sys/types.h>

#include <optional>
#include <string>

#include "tessorin/posix/MountTable.hpp"

namespace tessorin {

class VolumeMount {
 public:
  // The path must be a mount point itself. Throws PosixError ("mount", path, errno)
  // when the path does not resolve, ENODEV when it is a folder inside another mount,
  // EPERM when the volume's disk also holds the running system (SystemDisks).
  static VolumeMount pin(const std::string& volumePath);

  const std::string& volumePath() const { return volumePath_; }
  const MountEntry& entry() const { return entry_; }
  // The device node the volume lies on; absent where it lies on none (a network share).
  std::optional<std::string> deviceNode() const {
    return entry_.sourceIsDeviceNode() ? std::optional(entry_.source) : std::nullopt;
  }
  // st_dev of the files on the volume (a FUSE mount's is anonymous, a btrfs subvolume's
  // its own): a folder on another device is not on the card.
  dev_t rootDevice() const { return rootDevice_; }

  // Throws PosixError ("mount", path, ENODEV) when the path no longer resolves to the
  // pinned mount and device: the card is gone and writing would land elsewhere.
  void confirmStillMounted() const;

  // Whether reads of this volume pass through the host's cache of its device.
  bool readsThroughDeviceCache() const { return entry_.readsThroughDeviceCache(); }
  // Writes back and drops the device's cached pages. Returns false when the device could
  // not be opened (an ordinary user usually cannot): results may then come from memory.
  bool dropDeviceCache() const;
  // Whether the card still answers a read of its device. A card gone from its reader, or
  // hung, fails it while its volume stays mounted, and the reads of its files then fail
  // at once, at the speed of memory. True where the volume lies on no device node or the
  // device cannot be opened (an ordinary user): nothing then says the card stopped.
  bool deviceAnswers() const;

  // Forces everything the volume holds to the card (syncfs), then drops the device's cache.
  void syncVolume(int anyFileOnVolume) const;

 private:
  std::string volumePath_;
  MountEntry entry_;
  dev_t rootDevice_ = 0;
};

}  // namespace tessorin
