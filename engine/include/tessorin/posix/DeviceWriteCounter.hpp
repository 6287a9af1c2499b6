#pragma once
// deviceBytesWritten: how many bytes the kernel has written to a block device since it
// appeared, from the device's statistics in sysfs (/sys/class/block/NAME/stat, whose
// seventh field counts 512-byte sectors whatever the device's own sector size). It sees
// what really reached the card, which no timing can: a file-system driver that writes
// zeros into reserved space may leave them in the host's cache and look fast.
// Stateless; safe from any thread.

#include <cstdint>
#include <optional>
#include <string>

namespace tessorin {

// Absent when the node is no block device known to sysfs (a network share, a FUSE
// volume without a device) or its statistics cannot be read. The node may be a
// symbolic link (/dev/disk/by-uuid/…, /dev/mapper/…).
std::optional<std::uint64_t> deviceBytesWritten(const std::string& deviceNode);

// The size of the block device (a partition's own size for a partition), from sysfs,
// which needs no access to the device itself. Absent as above.
std::optional<std::uint64_t> deviceSizeBytes(const std::string& deviceNode);

}  // namespace tessorin
