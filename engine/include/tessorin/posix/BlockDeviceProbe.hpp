#pragma once
// What a block device's own content says about itself: its file-system type, UUID and
// label, and its partition table type.
//
// Where the device can be opened, it is read: an exFAT volume from its boot region at
// the start of the device (so a card that fails reads past its real size still answers),
// anything else through libblkid. Where it cannot (an ordinary user), or where that read
// fails, the answer comes from what the system recorded without opening the device, as
// the desktop does: the udev database, then the /dev/disk/by-uuid and by-label links,
// then the blkid cache. A source that fails hands on to the next, never an empty answer.
// Where none of them names the file system, the FUSE driver serving the device does.
// Stateless; safe from any thread.

#include <optional>
#include <string>

namespace tessorin {

struct BlockDeviceTags {
  std::string fileSystemType;       // blkid TYPE: "exfat", "vfat", "ext4", "ntfs", ...
  std::string uuid;                 // blkid UUID, e.g. "1234-ABCD" for FAT and exFAT
  std::string label;                // blkid LABEL
  std::string partitionTableType;   // blkid PTTYPE of a whole disk: "dos", "gpt"
};

// Where the answers that need no access to the device are looked up.
struct BlockDeviceRecords {
  std::string udevDataFolder = "/run/udev/data";  // files named b<major>:<minor>
  std::string diskLinksFolder = "/dev/disk";       // by-uuid/ and by-label/
  std::string blkidCacheFile = "/run/blkid/blkid.tab";  // empty: not consulted
  std::string processFolder = "/proc";                  // the FUSE drivers' command lines; empty: not consulted
};

// Absent when no source knows the device.
std::optional<BlockDeviceTags> probeBlockDevice(const std::string& deviceNode);
std::optional<BlockDeviceTags> probeBlockDeviceWith(const std::string& deviceNode, const BlockDeviceRecords& records);

}  // namespace tessorin
