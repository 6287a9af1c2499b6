#pragma once
// UDisks2: the desktop's disk service on the system bus, which unmounts, formats, mounts
// and ejects removable disks for an ordinary user. Devices are named by their node
// ("/dev/sdb1"); the service's object for one is looked up, never spelled out. Each call
// blocks until the service answers; call them off the main thread. Failures come back
// as the service's message.

#include <optional>
#include <string>

namespace tessorin {

struct UDisks2 {
  // The service is on the bus (or can be started by it).
  static bool isAvailable();

  // Each returns nothing on success, else the reason.

  // Unmounts the file system on the node. Something that has just looked at the card (a
  // file manager, udev's probe) can keep it busy for a moment: the service is asked
  // again for a few seconds before its "busy" is taken as the answer.
  static std::optional<std::string> unmount(const std::string& node);
  // Ejects the medium of the drive that holds the disk; the drive keeps its power. A disk
  // with no drive behind it (a disk image) has no medium to eject: nothing is done.
  static std::optional<std::string> eject(const std::string& wholeDiskNode);
  // A fresh, empty MBR partition table over the whole disk.
  static std::optional<std::string> newPartitionTable(const std::string& wholeDiskNode);
  // One partition over all of the disk's table, type 7, formatted exFAT and named label.
  static std::optional<std::string> addExFATPartition(const std::string& wholeDiskNode, const std::string& label);
  // Formats the node exFAT, named label, once the service has seen the node appear.
  static std::optional<std::string> formatExFAT(const std::string& node, const std::string& label);
  // Mounts the node where the service chooses; on success mountedAt is where.
  static std::optional<std::string> mount(const std::string& node, std::string& mountedAt);
};

}  // namespace tessorin
