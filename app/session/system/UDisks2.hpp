#pragma once
// UDisks2: the desktop's disk service on the system bus, which unmounts, formats, mounts
// and ejects removable disks for an ordinary user. Each call blocks until the service
// answers; call them off the main thread. Failures come back as the service's message.

#include <optional>
#include <string>

namespace tessorin {

struct UDisks2 {
  // The service is on the bus (or can be started by it).
  static bool isAvailable();

  // Each returns nothing on success, else the reason.
  static std::optional<std::string> unmount(const std::string& blockName);
  // Ejects the medium of the drive that holds the disk; the drive keeps its power.
  static std::optional<std::string> eject(const std::string& wholeDiskName);
  // One MBR partition table holding one exFAT partition labelled `label`, mounted again;
  // on success `mountedAt` is where.
  static std::optional<std::string> eraseAsExFAT(const std::string& wholeDiskName, const std::string& label,
                                                 std::string& mountedAt);
};

}  // namespace tessorin
