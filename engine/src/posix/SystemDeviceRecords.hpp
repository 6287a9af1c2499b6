#pragma once
// What the system recorded about a block device without anyone opening it again: the
// udev database entry of the device (its ID_FS_* and ID_PART_TABLE_TYPE properties) and
// the /dev/disk/by-uuid and by-label links that point at it. An ordinary user may read
// both where the device itself is closed to them. Safe from any thread.

#include <optional>
#include <string>

#include "tessorin/posix/BlockDeviceProbe.hpp"

namespace tessorin {

// Absent when the folder has no entry for the device, or the entry names nothing.
std::optional<BlockDeviceTags> readUdevRecord(const std::string& deviceNode, const std::string& udevDataFolder);
// The UUID and label of the links that resolve to the device; the type stays unknown.
std::optional<BlockDeviceTags> readDiskLinks(const std::string& deviceNode, const std::string& diskLinksFolder);

// Undoes udev's \xHH escapes (ID_FS_LABEL_ENC, the names of by-label links).
std::string decodeUdevText(const std::string& encoded);

}  // namespace tessorin
