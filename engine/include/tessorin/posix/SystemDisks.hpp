#pragma once
// SystemDisks: the disks that hold the running system, which no test may ever write to
// and no clean-up may ever delete from. A disk counts when it holds a mounted system file
// system (/, /boot, /boot/efi, /usr, /var, /home, the live medium) or active swap: on a
// machine that boots from the SD card in its own slot, or from a USB disk, that card or
// disk is the system, not a card to check. Devices are traced to their disks through
// sysfs, across partitions and mapped devices (LVM, dm-crypt). Stateless; reads the
// given sources on every call, from any thread.

#include <set>
#include <string>
#include <vector>

#include "tessorin/posix/MountTable.hpp"

namespace tessorin {

struct SystemDisks {
  struct Sources {
    std::string sysfsRoot = "/sys";
    std::string swapsPath = "/proc/swaps";
  };

  static bool isSystemMountPoint(const std::string& mountPoint);

  // The kernel names of the disks below `deviceNode` ("/dev/sdb1" gives sdb; a mapped
  // device gives the disks it is made of); empty when sysfs does not know the device.
  static std::set<std::string> disksBelow(const std::string& deviceNode, const std::string& sysfsRoot);

  // The devices /proc/swaps (or a file like it) lists as active swap.
  static std::vector<std::string> swapDevices(const std::string& swapsPath);

  // Every disk of the system mounts in `mounts` and of the active swap devices.
  static std::set<std::string> names(const MountTable& mounts, const Sources& sources);

  // Whether the disk that holds deviceNode also holds the running system (this process's
  // mount table, /sys, /proc/swaps). False for a device sysfs does not know.
  static bool holds(const std::string& deviceNode);
};

}  // namespace tessorin
