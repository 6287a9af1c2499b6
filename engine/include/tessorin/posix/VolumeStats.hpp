#pragma once
// VolumeStats: the figures of a mounted volume (file-system name, block size, total and
// available bytes, device node). An immutable value, read on whatever thread asks.

#include <cstdint>
#include <functional>
#include <string>

namespace tessorin {

struct VolumeStats {
  // Normalised: "exfat" for exFAT through the kernel or FUSE, "msdos" for FAT12/16/32,
  // otherwise the Linux name ("ext4", "ntfs3", ...).
  std::string fileSystem;
  std::uint64_t blockSize = 0;
  std::uint64_t totalBytes = 0;
  std::uint64_t availableBytes = 0;   // available to an ordinary user
  std::string deviceNode;             // the mount's source, e.g. /dev/sdb1
  // The driver's type as the mount table names it ("exfat" for the kernel's own driver,
  // "fuseblk" for exfat-fuse): what the file system allows depends on who serves it.
  std::string mountType;

  // One reading of the volume that holds path. Throws PosixError ("statfs", path, errno).
  explicit VolumeStats(const std::string& path);
  VolumeStats() = default;
  VolumeStats(std::string fileSystem, std::uint64_t blockSize, std::uint64_t totalBytes, std::uint64_t availableBytes,
              std::string deviceNode)
      : fileSystem(std::move(fileSystem)),
        blockSize(blockSize),
        totalBytes(totalBytes),
        availableBytes(availableBytes),
        deviceNode(std::move(deviceNode)) {}

  // The figures once the free space has stopped changing (a card still reclaiming
  // deleted files), or the last reading when timeLimit runs out first.
  static VolumeStats settled(const std::string& path, double timeLimitSeconds);

  std::uint64_t usedBytes() const { return availableBytes > totalBytes ? 0 : totalBytes - availableBytes; }
  bool isExFAT() const { return fileSystem == "exfat"; }
  bool isFAT() const { return fileSystem == "msdos"; }

  friend bool operator==(const VolumeStats&, const VolumeStats&) = default;
};

// Maps a Linux file-system type (and, for FUSE block mounts, the type the device itself
// carries) onto the vocabulary the tests compare against.
std::string normalisedFileSystemName(const std::string& mountType, const std::string& deviceType);

}  // namespace tessorin

template <>
struct std::hash<tessorin::VolumeStats> {
  std::size_t operator()(const tessorin::VolumeStats& stats) const noexcept;
};
