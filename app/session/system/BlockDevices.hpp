#pragma once
// BlockDevices: the system's block devices as `lsblk --json --bytes` describes them,
// flattened (each disk followed by its partitions), with the links that the eraser and
// the ejector need: which disk holds a node, which file systems of a disk are mounted.
// `describe` blocks while lsblk runs; call it off the main thread. A plain value.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessorin {

struct BlockDevice {
  std::string name;        // "sdb1"
  std::string path;        // "/dev/sdb1"
  std::string parentName;  // "sdb" for a partition; empty for a whole disk
  std::string type;        // "disk", "part", "loop", "rom", "crypt", "lvm", ...
  std::uint64_t size = 0;
  bool removable = false;
  bool hotplug = false;
  std::string transport;   // "usb", "mmc", "sata", "nvme", ... or empty
  std::string fileSystem;
  std::string label;
  std::vector<std::string> mountPoints;
};

class BlockDevices {
 public:
  // Nothing when lsblk cannot be run or its answer does not parse.
  static std::optional<BlockDevices> describe();
  static std::optional<BlockDevices> parse(const std::string& json);

  const std::vector<BlockDevice>& devices() const { return devices_; }
  const BlockDevice* find(const std::string& nameOrPath) const;
  // The disk at the top of a node's chain of parents (a partition's disk, a mapped
  // device's disk); the node itself for a whole disk; nothing for an unknown node.
  const BlockDevice* wholeDisk(const std::string& nameOrPath) const;
  // The disk and everything below it.
  std::vector<const BlockDevice*> family(const std::string& wholeDiskName) const;

 private:
  std::vector<BlockDevice> devices_;
};

}  // namespace tessorin
