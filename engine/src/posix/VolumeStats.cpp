#include "tessorin/posix/VolumeStats.hpp"

#include <sys/statvfs.h>

#include <chrono>
#include <thread>

#include "tessorin/posix/BlockDeviceProbe.hpp"
#include "tessorin/posix/HashCombine.hpp"
#include "tessorin/posix/MountTable.hpp"
#include "tessorin/posix/PosixError.hpp"

namespace tessorin {

std::string normalisedFileSystemName(const std::string& mountType, const std::string& deviceType) {
  std::string name = mountType;
  if (mountType == "fuseblk" || mountType == "fuse") {
    if (!deviceType.empty()) name = deviceType;
  } else if (mountType.rfind("fuse.", 0) == 0) {
    name = mountType.substr(5);
  }
  if (name == "vfat" || name == "msdos" || name == "fat" || name == "fat12" || name == "fat16" || name == "fat32")
    return "msdos";
  if (name == "exfat") return "exfat";
  return name;
}

VolumeStats::VolumeStats(const std::string& path) {
  struct statvfs figures {};
  if (::statvfs(path.c_str(), &figures) != 0) throw PosixError::fromErrno("statfs", path);
  blockSize = figures.f_frsize;
  totalBytes = static_cast<std::uint64_t>(figures.f_blocks) * figures.f_frsize;
  availableBytes = static_cast<std::uint64_t>(figures.f_bavail) * figures.f_frsize;

  // statvfs names neither the file system nor its device; the mount table does.
  std::optional<MountEntry> mount;
  try {
    mount = MountTable::read().mountContaining(path);
  } catch (const PosixError&) {
  }
  if (mount) {
    deviceNode = mount->source;
    mountType = mount->fileSystemType;
    std::string deviceType;
    if (mount->fileSystemType == "fuseblk" && mount->sourceIsDeviceNode()) {
      if (auto tags = probeBlockDevice(mount->source)) deviceType = tags->fileSystemType;
    }
    fileSystem = normalisedFileSystemName(mount->fileSystemType, deviceType);
  }
}

VolumeStats VolumeStats::settled(const std::string& path, double timeLimitSeconds) {
  using Clock = std::chrono::steady_clock;
  VolumeStats reading(path);
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(timeLimitSeconds));
  while (Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    VolumeStats next(path);
    const bool repeated = next.availableBytes == reading.availableBytes;
    reading = std::move(next);
    if (repeated) break;
  }
  return reading;
}

}  // namespace tessorin

std::size_t std::hash<tessorin::VolumeStats>::operator()(const tessorin::VolumeStats& stats) const noexcept {
  std::size_t seed = std::hash<std::string>{}(stats.fileSystem);
  tessorin::hashField(seed, stats.blockSize);
  tessorin::hashField(seed, stats.totalBytes);
  tessorin::hashField(seed, stats.availableBytes);
  tessorin::hashField(seed, stats.deviceNode);
  tessorin::hashField(seed, stats.mountType);
  return seed;
}
