#pragma once
// The sysfs folder of a block device node (/sys/class/block/NAME), which any user may
// read: the node may be a symbolic link (/dev/disk/by-uuid/…, /dev/mapper/…). Absent for
// anything that is no block device.

#include <filesystem>
#include <optional>
#include <string>

namespace tessorin {

std::optional<std::filesystem::path> sysfsBlockFolder(const std::string& deviceNode);

}  // namespace tessorin
