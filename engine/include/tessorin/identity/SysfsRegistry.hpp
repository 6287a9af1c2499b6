#pragma once
// SysfsRegistry: the kernel's device tree under /sys seen as a registry of entries, each
// a device directory with typed properties (RegistryValue) derived from its attributes.
// A property is read from one entry directly or searched from an entry up through its
// ancestors (partition, disk, SCSI unit, USB interface and device, host controller, PCI
// bridge); a USB device's entries can be walked downwards. The root is a parameter so
// tests can hand in a fixture tree.
//
// Nothing is cached: every question reads sysfs afresh, and a device that vanishes on
// the way (ENODEV) simply has no properties. Entries are small values that keep the
// registry's settings alive; any of them may be used on any thread.
//
// Properties an entry publishes, by what it is:
//   whole disk:    "Removable" (Boolean), "Size" (bytes), "Content" (partition map:
//                  "FDisk_partition_scheme", "GUID_partition_scheme",
//                  "Apple_partition_scheme"); a loop device also "Protocol
//                  Characteristics" ("Virtual Interface", "File")
//   partition:     "Size", "Base" (byte offset on its disk)
//   SCSI unit, NVMe controller (anything with a model): "Device Characteristics"
//                  ("Vendor Name", "Product Name")
//   USB device:    "idVendor", "idProduct", "USB Vendor Name", "USB Product Name",
//                  "USB Serial Number", "UsbLinkSpeed" (bits per second), "Protocol
//                  Characteristics" ("USB", "Internal" for a fixed port, else "External")
//   mmc card:      "Protocol Characteristics" ("Secure Digital" for an SD card, "MMC"
//                  for eMMC; "Internal"); an SD card also "Card Characteristics"
//   ATA port, PCI device: "Protocol Characteristics" ("SATA" or "PCI"; "Internal"
//                  unless the PCI slot is removable)

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tessorin/posix/BlockDeviceProbe.hpp"
#include "tessorin/identity/RegistryValue.hpp"

namespace tessorin {

class SysfsRegistry {
 public:
  // What a block device's content says of itself (the partition map here); libblkid
  // by default, a table in tests. Takes the device node, e.g. "/dev/sdb".
  using Probe = std::function<std::optional<BlockDeviceTags>(const std::string& deviceNode)>;

  static constexpr const char* defaultRoot = "/sys";

  explicit SysfsRegistry(const std::filesystem::path& root = defaultRoot, Probe probe = probeBlockDevice);

  class Entry {
   public:
    // The device directory, symbolic links resolved.
    const std::filesystem::path& path() const { return path_; }
    std::string name() const { return path_.filename().string(); }
    // The kernel's device type from uevent's DEVTYPE: "disk", "partition",
    // "usb_device", "usb_interface", "scsi_device", ...; empty when it names none.
    std::string deviceType() const;

    // The property of this entry alone.
    std::optional<RegistryValue> property(std::string_view key) const;
    // The property of this entry, else of the nearest ancestor that has it.
    std::optional<RegistryValue> searchProperty(std::string_view key) const;

    // The nearest enclosing device directory; absent at the top of the tree.
    std::optional<Entry> parent() const;
    // Every device directory below this one, at any depth.
    std::vector<Entry> descendants() const;

    friend bool operator==(const Entry& a, const Entry& b) { return a.path_ == b.path_; }

   private:
    friend class SysfsRegistry;
    struct Settings;
    Entry(std::shared_ptr<const Settings> settings, std::filesystem::path path)
        : settings_(std::move(settings)), path_(std::move(path)) {}

    std::shared_ptr<const Settings> settings_;
    std::filesystem::path path_;
  };

  // The whole disk named e.g. "sdb" (/sys/block/<name>).
  std::optional<Entry> wholeDisk(const std::string& diskName) const;
  // Any block device, disk or partition, named e.g. "sdb1" (/sys/class/block/<name>).
  std::optional<Entry> blockDevice(const std::string& name) const;

  // One attribute file's text without its trailing line breaks; absent when it cannot be
  // read, for whatever reason (missing, or the device went away).
  static std::optional<std::string> attribute(const std::filesystem::path& directory, std::string_view name);

 private:
  std::optional<Entry> resolve(const std::filesystem::path& link) const;

  std::shared_ptr<const Entry::Settings> settings_;
};

}  // namespace tessorin
