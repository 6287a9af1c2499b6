#pragma once
// What a block device's own content says about itself: its file-system type, UUID and
// label, and its partition table type. Reads the device through libblkid; where the
// device cannot be opened (an ordinary user), falls back to the system's blkid cache.
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

// Absent when the device cannot be probed at all.
std::optional<BlockDeviceTags> probeBlockDevice(const std::string& deviceNode);

}  // namespace tessorin
