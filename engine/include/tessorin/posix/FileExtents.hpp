#pragma once
// Where a file's bytes lie on its device, from the file system's extent map (FIEMAP),
// which any user may ask of a file they can open. A test that takes positions in its own
// files for places on the card checks with it that they are, or learns the places: ext4
// places a new folder's files in a block group of its choosing and wraps them round the
// end of the volume, while exFAT on a card fresh from the shop lays them out one after
// the other. Stateless; safe from any thread.

#include <cstdint>
#include <optional>
#include <vector>

namespace tessorin {

// One stretch of a file that lies in one piece on the device.
struct FileExtent {
  std::uint64_t logical = 0;   // offset in the file
  std::uint64_t physical = 0;  // offset on the device
  std::uint64_t length = 0;

  friend bool operator==(const FileExtent&, const FileExtent&) = default;
};

// The byte offset on the device of the file's first byte; absent when the file system
// keeps no extent map it will show (exfat-fuse, FAT) or the file has no data yet.
std::optional<std::uint64_t> firstPhysicalOffset(int fd);

// Every stretch of the file's data in the order of the file; absent when the file system
// shows no extent map, or one with a stretch whose place it does not tell (not yet
// allocated, packed into metadata, encoded), for then no place is known for sure.
std::optional<std::vector<FileExtent>> fileExtents(int fd);

// Whether the extent map shows the file's first `bytes` reserved and never written (an
// unwritten extent, as ext4, XFS and Btrfs keep space that fallocate set aside); false
// where the map does not say so or is not shown.
bool reservedUnwritten(int fd, std::uint64_t bytes);

}  // namespace tessorin
