#pragma once
// Where a file's first byte lies on its device, from the file system's extent map
// (FIEMAP), which any user may ask of a file they can open. A test that takes positions
// in its own files for places on the card checks with it that they are: ext4 places a
// new folder's files in a block group of its choosing and wraps them round the end of
// the volume, while exFAT on a card fresh from the shop lays them out one after the
// other. Stateless; safe from any thread.

#include <cstdint>
#include <optional>

namespace tessorin {

// The byte offset on the device of the file's first byte; absent when the file system
// keeps no extent map it will show (exfat-fuse, FAT) or the file has no data yet.
std::optional<std::uint64_t> firstPhysicalOffset(int fd);

}  // namespace tessorin
