#pragma once
// DeviceScanner: finds the cards and drives a user can check. It lists the mounted
// volumes, keeps those on a removable card or drive (and, on request, on a disk image)
// whose disk holds no part of the running system (SystemDisks),
// and describes each one as a CardDevice from its file-system figures, its content tags
// (UUID, label) and the device registry entries of its disk and the disk's ancestors.
//
// Stateless: every call reads the mount table, sysfs and the devices afresh on the
// caller's thread and blocks it meanwhile, except for what a volume was when it was
// mounted, which sources may keep in MountIdentities. It throws nothing: a volume that
// cannot be read or does not qualify is left out. A scan is `candidates`, `describe` of
// each and `arrange`, so that a caller may describe the volumes side by side.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/identity/MountIdentities.hpp"
#include "tessorin/posix/MountTable.hpp"
#include "tessorin/identity/SysfsRegistry.hpp"
#include "tessorin/identity/USBInfo.hpp"

namespace tessorin {

struct DeviceScanner {
  // Where the scanner looks; the defaults are the running system, tests hand in fixtures.
  struct Sources {
    std::filesystem::path sysfsRoot;
    std::string mountInfoPath;
    // UUID, label and file-system type of a volume's device, the partition map of a
    // disk. Takes a device node such as "/dev/sdb1".
    SysfsRegistry::Probe probe;
    // The active swap devices, as /proc/swaps lists them: their disks are the system's.
    std::string swapsPath = "/proc/swaps";
    // When set, a volume's tags are read once per mount and kept there while it stands.
    MountIdentities* identities = nullptr;

    static Sources system() { return {SysfsRegistry::defaultRoot, MountTable::defaultPath, probeBlockDevice}; }
  };

  // A mounted volume that may be a card: a mount of a block device not on a system disk.
  struct Candidate {
    MountEntry mount;
    std::string bsdName;
    std::uint64_t tableSeen = 0;  // MountIdentities::see's answer to the table listing it
  };

  // The qualifying volumes, by volume name in natural order ("Card 9" before "Card 10");
  // equal names keep the mount table's order.
  static std::vector<CardDevice> scan(bool includeDiskImages);
  static std::vector<CardDevice> scan(bool includeDiskImages, const Sources& sources);

  // The mounts a scan describes, each device once, in the mount table's order.
  static std::vector<Candidate> candidates(const Sources& sources);
  // Absent when the volume does not qualify or cannot be read.
  static std::optional<CardDevice> describe(const Candidate& candidate, bool includeDiskImages,
                                            const Sources& sources);
  // Tells cloned twins apart and puts the devices in a scan's order.
  static void arrange(std::vector<CardDevice>& devices);

  // The volume mounted at volumeURL; absent when nothing is mounted there or it does
  // not qualify.
  static std::optional<CardDevice> device(const std::filesystem::path& volumeURL, bool includeDiskImages);
  static std::optional<CardDevice> device(const std::filesystem::path& volumeURL, bool includeDiskImages,
                                          const Sources& sources);

  // The disk that holds the block device bsdName: "sdb" for "sdb1", "mmcblk0" for
  // "mmcblk0p1", the name itself for a whole disk; absent for an unknown device.
  static std::optional<std::string> wholeDiskName(const std::string& bsdName, const SysfsRegistry& registry);
  // The USB device above entry; absent when it has neither a vendor ID nor a product name.
  static std::optional<USBInfo> usbInfo(const SysfsRegistry::Entry& entry);
  // The SCSI logical units of the USB device above entry (a multi-slot reader has one
  // per slot); absent when entry is not on a USB device.
  static std::optional<std::int64_t> slotCount(const SysfsRegistry::Entry& entry);
};

}  // namespace tessorin
