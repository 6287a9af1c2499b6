#include "tessorin/identity/DeviceScanner.hpp"

#include <gtest/gtest.h>

#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "ByteLiterals.hpp"
#include "LoopVolume.hpp"
#include "SysfsCards.hpp"
#include "SysfsFixture.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using testing::SysfsFixture;
using testing::UsbStorage;
using testing::mmcCard;
using testing::usbStorage;
using Bytes = RegistryValue::Bytes;
using Kind = CardDevice::Connection::Kind;
using namespace testing::literals;

constexpr std::uint64_t cardSectors = 124735488;  // a 64 GB card

const CardDevice* at(const std::vector<CardDevice>& devices, const std::string& mountPoint) {
  for (const auto& device : devices) {
    if (device.volumeURL == mountPoint) return &device;
  }
  return nullptr;
}

TEST(DeviceScannerTest, SDCardInBuiltInReaderIsListedWithItsRegistersThoughItsDiskIsFixed) {
  SysfsFixture sys;
  mmcCard(sys, "0", testing::sdCardAttributes(), "mmcblk0");
  const auto mountPoint = sys.mount("/dev/mmcblk0p1", "fuseblk", "card");
  sys.tag("/dev/mmcblk0p1", {"exfat", "1234-ABCD", "SD64", ""});
  sys.tag("/dev/mmcblk0", {"", "", "", "dos"});

  const auto devices = DeviceScanner::scan(false, sys.sources());
  ASSERT_EQ(devices.size(), 1u);
  const CardDevice& card = devices[0];
  EXPECT_EQ(card.connection, CardDevice::Connection::builtInReader());
  EXPECT_EQ(card.id, "1234-ABCD");
  EXPECT_EQ(card.volumeName, "SD64");
  EXPECT_EQ(card.volume.fileSystem, "exfat");
  EXPECT_EQ(card.bsdName, "mmcblk0p1");
  EXPECT_EQ(card.wholeDiskBSDName, "mmcblk0");
  EXPECT_EQ(card.mediaBytes, cardSectors * 512);
  EXPECT_EQ(card.partitionOffset, 8192u * 512);
  EXPECT_EQ(card.partitionScheme, "FDisk_partition_scheme");
  EXPECT_EQ(card.readerName, std::nullopt);
  EXPECT_EQ(card.usb, std::nullopt);

  const CardRegisters registers{"SN64G", "8.0", "SDXC", 3, "SD", Bytes{0x1a, 0x2b, 0x3c, 0x4d}, 2019, 7, 4, "3.0x"};
  EXPECT_EQ(card.registers, registers);

  // The fixture's folder shares its free space with the machine, so compare all but that.
  auto single = DeviceScanner::device(mountPoint + "/", false, sys.sources());
  ASSERT_TRUE(single);
  single->volume.availableBytes = card.volume.availableBytes;
  EXPECT_EQ(*single, card);
}

TEST(DeviceScannerTest, ZeroSerialArrivesAsFourZeroBytesSoItCanBeSeenAsUnset) {
  SysfsFixture sys;
  auto card = testing::sdCardAttributes();
  card["serial"] = "0x00000000";
  card.erase("ssr");  // older kernels publish no SSR
  mmcCard(sys, "0", card, "mmcblk0");
  sys.mount("/dev/mmcblk0p1", "vfat", "card");

  const auto devices = DeviceScanner::scan(false, sys.sources());
  ASSERT_EQ(devices.size(), 1u);
  ASSERT_TRUE(devices[0].registers);
  EXPECT_EQ(devices[0].registers->serialNumber, (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(devices[0].registers->speedClassCode, std::nullopt);
}

TEST(DeviceScannerTest, MultiSlotUsbReaderReportsItsIdentityAndFourSlots) {
  SysfsFixture sys;
  UsbStorage reader;
  reader.logicalUnits = 4;
  reader.diskUnit = 2;
  sys.partition(usbStorage(sys, reader), "sdc1", 2048, 31114240);
  sys.mount("/dev/sdc1", "vfat", "NO NAME");

  const auto devices = DeviceScanner::scan(false, sys.sources());
  ASSERT_EQ(devices.size(), 1u);
  const CardDevice& card = devices[0];
  EXPECT_EQ(card.connection, CardDevice::Connection::usb());
  EXPECT_EQ(card.volumeName, "NO NAME");
  EXPECT_EQ(card.readerName, "Generic- SD/MMC");
  EXPECT_EQ(card.registers, std::nullopt);
  EXPECT_FALSE(card.isSDCard());
  const USBInfo expected{0x05e3, 0x0749, "Generic", "USB3.0 Card Reader", "000000001536", 5e9, 4};
  EXPECT_EQ(card.usb, expected);
}

TEST(DeviceScannerTest, FlashDriveWithoutPartitionMapFillsItsDiskAndGetsItsNameAsId) {
  SysfsFixture sys;
  UsbStorage stick;
  stick.device["speed"] = "480";
  stick.diskName = "sdd";
  usbStorage(sys, stick);
  const auto mountPoint = sys.mount("/dev/sdd", "vfat", "STICK");
  std::ofstream(fs::path(mountPoint) / "Tessorin Test") << "left by a crash";

  const auto devices = DeviceScanner::scan(false, sys.sources());
  ASSERT_EQ(devices.size(), 1u);
  const CardDevice& stickDevice = devices[0];
  EXPECT_EQ(stickDevice.id, "sdd");
  EXPECT_EQ(stickDevice.volumeName, "STICK");
  EXPECT_EQ(stickDevice.wholeDiskBSDName, "sdd");
  EXPECT_EQ(stickDevice.partitionOffset, std::nullopt);
  EXPECT_EQ(stickDevice.partitionScheme, std::nullopt);
  EXPECT_TRUE(stickDevice.hasLeftoverTestFiles);
  ASSERT_TRUE(stickDevice.usb);
  EXPECT_EQ(stickDevice.usb->linkSpeed, 480e6);
  EXPECT_EQ(stickDevice.usb->slots, 1);
}

TEST(DeviceScannerTest, InternalDisksEmmcAndNetworkMountsStayOutAndImagesOnlyOnRequest) {
  SysfsFixture sys;
  UsbStorage outside;  // an external USB disk may call itself fixed and is still listed
  outside.removable = false;
  usbStorage(sys, outside);
  const auto outsideMount = sys.mount("/dev/sdc", "ext4", "backup");
  UsbStorage inside = outside;  // on a port wired inside the machine it is internal
  inside.port = "2-2";
  inside.device["removable"] = "fixed";
  inside.scsiHost = 7;
  inside.diskName = "sde";
  usbStorage(sys, inside);
  sys.mount("/dev/sde", "ext4", "internal");

  const auto sata = sys.disk(sys.device("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0",
                                        "DEVTYPE=scsi_device", {{"vendor", "ATA"}, {"model", "Samsung SSD"}}),
                             "sda", 1000215216, false);
  sys.partition(sata, "sda1", 2048, 1000000000);
  sys.device("pci0000:00/0000:00:17.0", "PCI_CLASS=10601");
  sys.device("pci0000:00/0000:00:17.0/ata1");
  sys.mount("/dev/sda1", "ext4", "data");

  sys.device("pci0000:00/0000:00:1d.0/0000:3d:00.0", "PCI_CLASS=10802");
  const auto nvme = sys.disk(sys.device("pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0", "", {{"model", "NVMe"}}),
                             "nvme0n1", 1000215216, false);
  sys.partition(nvme, "nvme0n1p2", 4096, 1000000000);
  sys.mount("/dev/nvme0n1p2", "ext4", "home");

  auto emmc = testing::sdCardAttributes();
  emmc["type"] = "MMC";
  mmcCard(sys, "1", emmc, "mmcblk1");
  sys.mount("/dev/mmcblk1p1", "ext4", "emmc");

  sys.mount("server:/export", "nfs4", "share");
  sys.mount("tmpfs", "tmpfs", "scratch");

  sys.disk(sys.device("virtual"), "loop0", 131072, false);
  const auto image = sys.mount("/dev/loop0", "fuseblk", "image");
  sys.tag("/dev/loop0", {"exfat", "5F1E-0C2A", "IMAGE", ""});

  const auto devices = DeviceScanner::scan(false, sys.sources());
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].volumeURL, outsideMount);
  const auto withImages = DeviceScanner::scan(true, sys.sources());
  ASSERT_EQ(withImages.size(), 2u);
  EXPECT_EQ(withImages[1].volumeURL, image);
  EXPECT_EQ(withImages[1].connection, CardDevice::Connection::diskImage());
  EXPECT_EQ(withImages[1].volumeName, "IMAGE");
  EXPECT_EQ(withImages[1].usb, std::nullopt);
}

// A single-board computer that boots from the SD card in its own slot, with a USB stick
// and a USB disk that holds its swap: the system's card and every partition of it stay
// out, whatever it is mounted as, and so does the swap disk; the stick is a card.
TEST(DeviceScannerTest, ADiskThatHoldsTheRunningSystemIsNeverListed) {
  SysfsFixture sys;
  const auto systemCard = mmcCard(sys, "0", testing::sdCardAttributes(), "mmcblk0");
  sys.partition(systemCard, "mmcblk0p2", 532480, 100000000);
  sys.mountAt("/dev/mmcblk0p2", "ext4", "/");
  sys.mount("/dev/mmcblk0p1", "vfat", "bootfs");
  UsbStorage stick;
  usbStorage(sys, stick);
  const auto stickMount = sys.mount("/dev/sdc", "vfat", "stick");
  UsbStorage swapDisk;
  swapDisk.port = "2-2";
  swapDisk.scsiHost = 7;
  swapDisk.diskName = "sdd";
  sys.partition(usbStorage(sys, swapDisk), "sdd1", 2048, 2000000);
  sys.partition(fs::canonical(sys.root() / "block" / "sdd"), "sdd2", 2002048, 2000000);
  sys.mount("/dev/sdd2", "exfat", "data");
  sys.swap("/dev/sdd1");

  const auto devices = DeviceScanner::scan(true, sys.sources());
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].volumeURL, stickMount);
  EXPECT_FALSE(DeviceScanner::device("/", true, sys.sources()));
}

TEST(DeviceScannerTest, ReaderWithoutProductStringIsNotNamedAfterItsHub) {
  SysfsFixture sys;
  sys.device("pci0000:00/0000:00:14.0/usb2/2-3", "DEVTYPE=usb_device",
             {{"idVendor", "05e3"}, {"idProduct", "0610"}, {"product", "USB2.1 Hub"}, {"speed", "480"}});
  UsbStorage reader;
  reader.port = "2-3.1";
  reader.device = {{"idVendor", "0bda"}, {"idProduct", "0109"}, {"speed", "480"}};
  usbStorage(sys, reader, "/2-3");
  sys.mount("/dev/sdc", "vfat", "card");

  const auto devices = DeviceScanner::scan(false, sys.sources());
  ASSERT_EQ(devices.size(), 1u);
  ASSERT_TRUE(devices[0].usb);
  EXPECT_EQ(devices[0].usb->vendorID, 0x0bda);
  EXPECT_EQ(devices[0].usb->productName, std::nullopt);
}

// Three sticks labelled Card 10, Card 9 and Card 9 (a clone of the second).
SysfsFixture& threeSticks(SysfsFixture& sys) {
  const struct {
    std::string port, disk, label, uuid;
  } sticks[] = {{"2-1", "sdc", "Card 10", "AAAA-0010"}, {"2-2", "sdd", "Card 9", "AAAA-0009"},
                {"2-3", "sde", "Card 9", "AAAA-0009"}};
  int host = 6;
  for (const auto& stick : sticks) {
    UsbStorage spec;
    spec.port = stick.port;
    spec.diskName = stick.disk;
    spec.scsiHost = host++;
    usbStorage(sys, spec);
    sys.mount("/dev/" + stick.disk, "vfat", stick.disk);
    sys.tag("/dev/" + stick.disk, {"vfat", stick.uuid, stick.label, ""});
  }
  return sys;
}

TEST(DeviceScannerTest, ClonedCardsStayTwoCardsWithTheFirstKeepingItsIdAndNamesSortNaturally) {
  SysfsFixture sys;
  const auto devices = DeviceScanner::scan(false, threeSticks(sys).sources());
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0].id, "AAAA-0009");
  EXPECT_EQ(devices[0].bsdName, "sdd");
  EXPECT_EQ(devices[1].id, "AAAA-0009-sde");
  EXPECT_EQ(devices[1].fileSystemUUID, "AAAA-0009") << "the id is not the file system's UUID";
  EXPECT_EQ(devices[2].volumeName, "Card 10");
}

TEST(DeviceScannerTest, DeviceGoneHalfwayIsLeftOutOrFallsBackWithoutStoppingTheScan) {
  SysfsFixture sys;
  threeSticks(sys);
  // sdc was pulled: its device directory is gone, its links dangle.
  fs::remove_all(fs::canonical(sys.root() / "block" / "sdc"));
  // sdd is going: its size can no longer be read.
  fs::remove(sys.root() / "block" / "sdd" / "size");

  const auto devices = DeviceScanner::scan(false, sys.sources());
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].bsdName, "sdd");
  EXPECT_EQ(devices[0].mediaBytes, devices[0].volume.totalBytes);
  EXPECT_EQ(devices[1].bsdName, "sde");
}

// A wrapping fake overwrites its own file-system header during a check: the card it is
// stays what it was mounted as. Once its mount goes, what comes next at that place is
// read afresh, also under a mount id the kernel hands out again.
TEST(DeviceScannerTest, MountedVolumeKeepsTheIdentityItWasMountedWithUntilItsMountGoes) {
  SysfsFixture sys;
  mmcCard(sys, "0", testing::sdCardAttributes(), "mmcblk0");
  const auto mountPoint = sys.mount("/dev/mmcblk0p1", "fuseblk", "card");
  sys.tag("/dev/mmcblk0p1", {"exfat", "1234-ABCD", "SD64", ""});
  MountIdentities identities;
  DeviceScanner::Sources sources = sys.sources();
  sources.identities = &identities;
  const auto only = [&sources] {
    const auto devices = DeviceScanner::scan(false, sources);
    return devices.size() == 1 ? devices[0] : CardDevice();
  };
  EXPECT_EQ(only().id, "1234-ABCD");

  struct Step {
    const char* what;
    std::function<void()> change;
    std::string id, fileSystemUUID, volumeName;
  };
  const std::vector<Step> steps = {
      {"the header overwritten under the same mount", [&] { sys.tag("/dev/mmcblk0p1", {"vfat", "0000-0000", "", ""}); },
       "1234-ABCD", "1234-ABCD", "SD64"},
      {"the header unreadable", [&] { sys.tag("/dev/mmcblk0p1", {}); }, "1234-ABCD", "1234-ABCD", "SD64"},
      {"unmounted and mounted again under the same id",
       [&] {
         sys.tag("/dev/mmcblk0p1", {"exfat", "5678-0000", "NEW", ""});
         sys.unmount(mountPoint);
         EXPECT_TRUE(DeviceScanner::scan(false, sources).empty());
         sys.mountAt("/dev/mmcblk0p1", "fuseblk", mountPoint, 100);
       },
       "5678-0000", "5678-0000", "NEW"},
  };
  for (const Step& step : steps) {
    step.change();
    const CardDevice device = only();
    EXPECT_EQ(device.id, step.id) << step.what;
    EXPECT_EQ(device.fileSystemUUID, step.fileSystemUUID) << step.what;
    EXPECT_EQ(device.volumeName, step.volumeName) << step.what;
  }
  EXPECT_EQ(DeviceScanner::scan(false, sys.sources())[0].fileSystemUUID, "5678-0000") << "without identities, as read";
}

// A reading of the device that started before the mount it was for went away is not kept:
// the mount at that place may be another card's by then.
TEST(DeviceScannerTest, TagsReadAcrossAnUnmountAreNotKeptForTheMountThatFollows) {
  MountIdentities identities;
  const auto table = [](const std::string& lines) { return MountTable::parse(lines); };
  const std::string mounted = "100 1 8:17 / /media/card rw - exfat /dev/sdb1 rw\n";
  const MountIdentities::Key key{100, makedev(8, 17), "/media/card", "/dev/sdb1"};
  const std::uint64_t seen = identities.see(table(mounted));
  identities.see(table(""));
  identities.see(table(mounted));
  identities.remember(key, {"exfat", "OLD", "", ""}, seen);
  EXPECT_FALSE(identities.find(key)) << "read before the unmount";

  identities.remember(key, {"exfat", "NEW", "", ""}, identities.see(table(mounted)));
  ASSERT_TRUE(identities.find(key));
  EXPECT_EQ(identities.find(key)->uuid, "NEW");
  identities.see(table(""));
  EXPECT_FALSE(identities.find(key));
}

// On a busy machine other volumes come and go all the time, also while a slow card is
// being read: their unmounts say nothing of the card's own mount, and its reading is kept.
TEST(DeviceScannerTest, TagsReadWhileOtherVolumesComeAndGoAreKeptForTheirMount) {
  MountIdentities identities;
  const auto table = [](const std::string& lines) { return MountTable::parse(lines); };
  const std::string card = "100 1 8:17 / /media/card rw - exfat /dev/sdb1 rw\n";
  const std::string other = "101 1 7:3 / /media/other rw - ext4 /dev/loop3 rw\n";
  const std::string another = "102 1 7:4 / /media/another rw - ext4 /dev/loop4 rw\n";
  const MountIdentities::Key key{100, makedev(8, 17), "/media/card", "/dev/sdb1"};
  const std::uint64_t seen = identities.see(table(card + other));
  identities.see(table(card));
  identities.see(table(card + another));
  identities.see(table(card));
  identities.remember(key, {"exfat", "1234-ABCD", "SD64", ""}, seen);
  ASSERT_TRUE(identities.find(key)) << "read while the card stayed mounted";
  EXPECT_EQ(identities.find(key)->uuid, "1234-ABCD");
}

TEST(DeviceScannerTest, LoopMountedExfatImageIsADiskImageWithItsUuidOnlyWhenImagesAreShown) {
  TESSORIN_REQUIRE_VOLUMES();
  const auto volume = testing::LoopVolume::create(testing::FileSystemKind::exfat, 64_MiB, "SCANME");

  const auto devices = DeviceScanner::scan(true);
  const CardDevice* image = at(devices, volume->mountPoint());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->connection, CardDevice::Connection::diskImage());
  EXPECT_EQ("/dev/" + image->bsdName, volume->loopDevice());
  EXPECT_EQ(image->volumeName, "SCANME");
  // exFAT's volume serial as libblkid prints it, e.g. "5F1E-0C2A"
  EXPECT_EQ(image->id.size(), 9u) << image->id;
  EXPECT_EQ(image->id.find_first_not_of("0123456789ABCDEF-"), std::string::npos) << image->id;
  EXPECT_EQ(image->volume.fileSystem, "exfat");
  EXPECT_EQ(image->mediaBytes, 64_MiB);
  EXPECT_EQ(image->registers, std::nullopt);

  EXPECT_EQ(at(DeviceScanner::scan(false), volume->mountPoint()), nullptr);
}

}  // namespace
}  // namespace tessorin
