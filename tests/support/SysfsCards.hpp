#pragma once
// SysfsCards: the cards and readers the device scanner meets, built into a SysfsFixture:
// an SD card in the computer's own slot (an SDHCI controller on PCI) and USB mass-storage
// devices behind the xHCI root hub, so that a test or a gallery state gets its devices
// from the real scanner. One thread, like the fixture.

#include <cstdint>
#include <filesystem>
#include <string>

#include "SysfsFixture.hpp"

namespace tessorin::testing {

// A 64 GB SanDisk card's registers as the kernel publishes them.
SysfsFixture::Attributes sdCardAttributes();

// An SDHCI controller with a card (SD or eMMC, by the attributes' "type") whose disk of
// `sectors` 512-byte units is partitioned from sector 8192. Returns the disk.
std::filesystem::path mmcCard(SysfsFixture& sys, const std::string& host, const SysfsFixture::Attributes& card,
                              const std::string& diskName, std::uint64_t sectors = 124735488);

struct UsbStorage {
  std::string port = "2-1";  // below root hub usb2
  SysfsFixture::Attributes device = {{"idVendor", "05e3"},        {"idProduct", "0749"},
                                     {"manufacturer", "Generic"}, {"product", "USB3.0 Card Reader"},
                                     {"serial", "000000001536"},  {"speed", "5000"},
                                     {"removable", "removable"}};
  int scsiHost = 6;
  int logicalUnits = 1;
  int diskUnit = 0;
  std::string diskName = "sdc";
  bool removable = true;
  std::uint64_t sectors = 31116288;
};

// A USB mass-storage device behind the xHCI root hub (and the hubs of hubPath): interface,
// SCSI host and target, one SCSI device per logical unit, and a disk on one of them.
// Returns the disk.
std::filesystem::path usbStorage(SysfsFixture& sys, const UsbStorage& spec, const std::string& hubPath = "");

}  // namespace tessorin::testing
