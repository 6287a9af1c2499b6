#include "results/xray/DeclaredGridModel.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "results/xray/RegistersGridModel.hpp"

namespace tessorin {
namespace {

QList<GridRow> rows(std::initializer_list<std::pair<const char*, const char*>> pairs) {
  QList<GridRow> list;
  for (const auto& [label, value] : pairs) list.append({QString::fromUtf8(label), QString::fromUtf8(value)});
  return list;
}

TEST(RegistersGridTest, RowsFollowWhatTheCardGives) {
  EXPECT_TRUE(RegistersGridModel::rowsFor(CardRegisters{}).isEmpty());

  CardRegisters full{"SN64G", "8.0", "SDXC", 0x03, "SD", std::vector<std::uint8_t>{0x1A, 0x2B}, 2019, 7, 4, "3.0x"};
  EXPECT_EQ(RegistersGridModel::rowsFor(full),
            rows({{"Manufacturer ID", "0x03 · SanDisk"},
                  {"OEM ID", "SD"},
                  {"Product name", "SN64G"},
                  {"Revision", "8.0"},
                  {"Serial number", "1A2B"},
                  {"Manufactured", "July 2019"},
                  {"Card type", "SDXC"},
                  {"Speed class", "Class 10"},
                  {"SD specification", "3.0x"}}));

  CardRegisters odd;
  odd.manufacturerID = 0x5A;
  odd.serialNumber = std::vector<std::uint8_t>{};
  odd.manufacturingYear = 2021;
  odd.speedClassCode = 5;
  EXPECT_EQ(RegistersGridModel::rowsFor(odd),
            rows({{"Manufacturer ID", "0x5A · unknown"}, {"Serial number", ""}, {"Manufactured", "January 2021"}}));

  CardRegisters farFuture;
  farFuture.manufacturingYear = 1'000'000'000'000;
  farFuture.manufacturingMonth = 3;
  farFuture.oemID = "%1";
  farFuture.speedClassCode = 0;
  EXPECT_EQ(RegistersGridModel::rowsFor(farFuture),
            rows({{"OEM ID", "%1"}, {"Manufactured", "1000000000000-3"}, {"Speed class", "Class 0"}}));
}

CardDevice usbDevice(std::optional<double> linkSpeed) {
  CardDevice device;
  device.connection = CardDevice::Connection::usb();
  device.usb = USBInfo{0x05E3, 0x0749, "Generic", "USB3.0 Card Reader", std::nullopt, linkSpeed, 1};
  return device;
}

TEST(DeclaredGridTest, UsbLinkSpeedReadsAsTheDeviceRegistryGivesIt) {
  const struct {
    std::optional<double> speed;
    std::optional<QString> text;
  } cases[] = {
      {12e6, "USB 2 · 12\u00A0Mb/s"},
      {480e6, "USB 2 · 480\u00A0Mb/s"},
      {1e9, "USB 2 · 1\u00A0Gb/s"},
      {1.5e6, "USB 2 · 1\u00A0Mb/s"},
      {5e9, "USB 3 · 5\u00A0Gb/s"},
      {1.5e9, "USB 2 · 1.5\u00A0Gb/s"},
      {10e9, "USB 3 · 10\u00A0Gb/s"},
      {20e9, "USB 3 · 20\u00A0Gb/s"},
      {0, std::nullopt},
      {-5e9, std::nullopt},
      {std::nan(""), std::nullopt},
      {std::numeric_limits<double>::infinity(), std::nullopt},
      {std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DeclaredGridModel::usbConnectionText(usbDevice(c.speed)), c.text) << c.speed.value_or(-1);
  }
}

TEST(DeclaredGridTest, ReaderTextNamesTheSlotTheUsbDeviceOrTheReader) {
  CardDevice builtIn;
  builtIn.connection = CardDevice::Connection::builtInReader();
  builtIn.readerName = "Ignored Reader";
  EXPECT_EQ(DeclaredGridModel::readerText(builtIn), "This computer’s SD slot");

  CardDevice usb = usbDevice(5e9);
  EXPECT_EQ(DeclaredGridModel::readerText(usb), "Generic USB3.0 Card Reader · 0x05E3:0x0749");
  usb.usb->vendorName.reset();
  usb.usb->productName.reset();
  usb.readerName = "Generic- SD/MMC";
  EXPECT_EQ(DeclaredGridModel::readerText(usb), "Generic- SD/MMC · 0x05E3:0x0749");
  usb.readerName.reset();
  usb.usb->productID.reset();
  EXPECT_EQ(DeclaredGridModel::readerText(usb), "");  // a USB device always has its row

  CardDevice image;
  image.connection = CardDevice::Connection::diskImage();
  EXPECT_EQ(DeclaredGridModel::readerText(image), std::nullopt);
  image.readerName = "<b>Card</b>";
  EXPECT_EQ(DeclaredGridModel::readerText(image), "<b>Card</b>");
}

TEST(DeclaredGridTest, FormatNamesTheClusterSizeOnlyWhenTheVolumeReportsOne) {
  const struct {
    const char* fileSystem;
    std::uint64_t blockSize;
    const char* text;
  } cases[] = {
      {"exfat", 131072, "exFAT, 128\u00A0KB clusters"},
      {"msdos", 32768, "FAT32, 32\u00A0KB clusters"},
      {"exfat", 0, "exFAT"},
  };
  for (const auto& c : cases) {
    CardDevice device;
    device.volume.fileSystem = c.fileSystem;
    device.volume.blockSize = c.blockSize;
    EXPECT_EQ(DeclaredGridModel::formatText(device), QString::fromUtf8(c.text));
  }
}

TEST(DeclaredGridTest, PartitionTableNamesTheSchemeAndWhereTheVolumeStarts) {
  const struct {
    std::optional<std::string> scheme;
    std::optional<std::uint64_t> offset;
    const char* text;
  } cases[] = {
      {std::nullopt, std::nullopt, "none"},
      {std::nullopt, 1'048'576, "none, volume starts at 1\u00A0MB"},
      {"FDisk_partition_scheme", 4'194'304, "MBR, volume starts at 4\u00A0MB"},
      {"GUID_partition_scheme", std::nullopt, "GPT"},
      {"Apple_partition_scheme", 32'768, "APM, volume starts at 32\u00A0KB"},
      {"Sun_partition_scheme", std::nullopt, "Sun_partition_scheme"},
  };
  for (const auto& c : cases) {
    CardDevice device;
    device.partitionScheme = c.scheme;
    device.partitionOffset = c.offset;
    EXPECT_EQ(DeclaredGridModel::partitionTableName(device), QString::fromUtf8(c.text));
  }
}

TEST(DeclaredGridTest, RowsOfAUsbReaderAndTheirLimits) {
  CardDevice device = usbDevice(5e9);
  device.mediaBytes = std::uint64_t{1} << 63;
  device.volumeName = "<b>Card</b>";
  device.volume.fileSystem = "exfat";
  device.volume.blockSize = 131072;
  device.partitionScheme = "FDisk_partition_scheme";
  device.partitionOffset = 1'048'576;
  EXPECT_EQ(DeclaredGridModel::rowsFor(device, 41e6, false),
            rows({{"Capacity it reports", "9.2\u00A0EB"},
                  {"Volume name", "<b>Card</b>"},
                  {"Format", "exFAT, 128\u00A0KB clusters"},
                  {"Partition table", "MBR, volume starts at 1\u00A0MB"},
                  {"Reader", "Generic USB3.0 Card Reader · 0x05E3:0x0749"},
                  {"USB connection", "USB 3 · 5\u00A0Gb/s"},
                  {"Fastest read in this reader", "41\u00A0MB/s"}}));

  EXPECT_EQ(DeclaredGridModel::rowsFor(device, std::nullopt, false).size(), 6);
  EXPECT_EQ(DeclaredGridModel::rowsFor(device, 0, false).last().value, "0\u00A0bytes/s");
  for (const double broken : {std::nan(""), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(DeclaredGridModel::rowsFor(device, broken, false).last().value, "—");
  }
}

}  // namespace
}  // namespace tessorin
