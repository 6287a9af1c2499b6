#include <cmath>
#include <limits>
#include <memory>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "session/settings/AppSettings.hpp"
#include "session/settings/BrandSettings.hpp"
#include "session/settings/DeviceKinds.hpp"
#include "session/settings/ReaderBestRead.hpp"

namespace tessorin {
namespace {

class CardSettingsTest : public testing::Test {
 protected:
  // What the next run of the application would read.
  std::unique_ptr<QSettings> reopened() {
    settings->sync();
    return std::make_unique<QSettings>(path(), QSettings::IniFormat);
  }
  QString path() const { return folder.filePath(QStringLiteral("settings.ini")); }

  QTemporaryDir folder;
  std::unique_ptr<QSettings> settings = std::make_unique<QSettings>(path(), QSettings::IniFormat);
};

CardDevice usbDevice(const std::string& id) {
  CardDevice device;
  device.id = id;
  device.connection = CardDevice::Connection::usb();
  device.usb = USBInfo{};
  device.mediaBytes = 64ull << 30;
  return device;
}

TEST_F(CardSettingsTest, BrandsAreKeptPerCardAcrossRuns) {
  BrandSettings brands(*settings);
  EXPECT_EQ(brands.loadClaimedBrand("new-card"), std::nullopt);
  EXPECT_EQ(brands.loadCustomBrand("new-card"), "");

  brands.storeClaimedBrand(Brand::sandisk, "disk/1");
  brands.storeClaimedBrand(Brand::other, "disk/2");
  brands.storeCustomBrand("  ", "disk/2");
  const std::unique_ptr<QSettings> nextRunsSettings = reopened();
  BrandSettings nextRun(*nextRunsSettings);
  EXPECT_EQ(nextRun.loadClaimedBrand("disk/1"), Brand::sandisk);
  EXPECT_EQ(nextRun.loadClaimedBrand("disk/2"), Brand::other);
  EXPECT_EQ(nextRun.loadCustomBrand("disk/2"), "  ") << "a typed name is kept exactly";

  brands.storeClaimedBrand(std::nullopt, "disk/1");
  brands.storeCustomBrand("", "disk/2");
  EXPECT_FALSE(settings->value("ClaimedBrands").toMap().contains("disk/1"));
  EXPECT_FALSE(settings->value("CustomBrands").toMap().contains("disk/2"));
  EXPECT_EQ(settings->childGroups(), QStringList()) << "card ids with '/' became settings groups";
}

TEST_F(CardSettingsTest, AnEntryOfTheWrongTypeIsDroppedAloneAndSurvivesWrites) {
  settings->setValue("ClaimedBrands", QVariantMap{{"wrong", 5}, {"right", "lexar"}, {"renamed", "Lexar"}});
  BrandSettings brands(*settings);
  EXPECT_EQ(brands.loadClaimedBrand("wrong"), std::nullopt);
  EXPECT_EQ(brands.loadClaimedBrand("right"), Brand::lexar);
  EXPECT_EQ(brands.loadClaimedBrand("renamed"), std::nullopt);

  brands.storeClaimedBrand(Brand::sony, "another");
  const QVariantMap stored = reopened()->value("ClaimedBrands").toMap();
  EXPECT_EQ(stored.value("wrong"), QVariant(5));
  EXPECT_EQ(stored.value("renamed"), QVariant("Lexar")) << "an unknown brand was dropped before its card was stored";

  settings->setValue("CustomBrands", QStringLiteral("not a dictionary"));
  EXPECT_EQ(brands.loadCustomBrand("another"), "");
  brands.storeCustomBrand("Mine", "another");
  EXPECT_EQ(brands.loadCustomBrand("another"), "Mine");
}

TEST_F(CardSettingsTest, UsbDriveOrCardReaderFollowsTheRulesInOrder) {
  DeviceKinds kinds(*settings);
  kinds.store(true, "drive");
  kinds.store(false, "card");
  QVariantMap stored = settings->value("DeviceKinds").toMap();
  stored.insert("odd", 1);
  settings->setValue("DeviceKinds", stored);

  struct Row {
    const char* id;
    bool builtIn, registers;
    std::int64_t slots;
    const char* name;
    std::uint64_t extraBytes;
    bool isDrive;
  };
  const Row rows[]{
      {"drive", true, false, 1, nullptr, 0, false},         // the built-in slot holds cards only
      {"drive", false, true, 1, nullptr, 0, false},         // registers: a card whatever the user said
      {"drive", false, false, 4, "Card Reader", 0, true},   // the user's choice beats slots and names
      {"card", false, false, 1, "Flash Drive", 1, false},
      {"odd", false, false, 1, "USB Stick", 0, true},       // a choice that is not text counts as none
      {"x", false, false, 2, "Flash Disk", 1, false},       // several slots
      {"x", false, false, 1, "Flash CARD Reader", 1, false},  // reader words come first
      {"x", false, false, 1, "DataTraveler 3.0", 0, true},
      {"x", false, false, 1, nullptr, 0, false},            // whole 512 KiB steps
      {"x", false, false, 1, nullptr, 1, true},
  };
  for (const Row& row : rows) {
    CardDevice device = usbDevice(row.id);
    if (row.builtIn) device.connection = CardDevice::Connection::builtInReader();
    if (row.registers) device.registers = CardRegisters{};
    device.usb->slots = row.slots;
    if (row.name) device.usb->productName = row.name;
    device.mediaBytes += row.extraBytes;
    EXPECT_EQ(kinds.isUSBDrive(device), row.isDrive) << row.id << " " << (row.name ? row.name : "");
  }
  EXPECT_EQ(kinds.storedIsDrive("odd"), std::nullopt);
}

TEST_F(CardSettingsTest, ReaderBestReadOnlyRisesAndIsSharedByTheReadersCards) {
  ReaderBestRead memory(*settings);
  CardDevice first = usbDevice("card-1");
  first.usb->vendorID = 0x05AC;
  first.usb->productID = 0x1234;
  first.usb->serial = "R/1";
  CardDevice second = first;
  second.id = "card-2";

  EXPECT_EQ(memory.readerBestRead(first), std::nullopt);
  memory.recordReaderRead(first, 80e6);
  memory.recordReaderRead(second, 60e6);
  for (const double nonsense : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()})
    memory.recordReaderRead(first, nonsense);
  EXPECT_EQ(ReaderBestRead(*reopened()).readerBestRead(second), 80e6);
  memory.recordReaderRead(second, 90e6);
  EXPECT_EQ(memory.readerBestRead(first), 90e6);

  CardDevice serialOnly = usbDevice("x");
  serialOnly.usb->serial = "ABC";
  CardDevice nameless = usbDevice("x");
  nameless.connection = CardDevice::Connection::other("");
  nameless.usb.reset();
  EXPECT_EQ(ReaderBestRead::readerKey(serialOnly), "ABC");
  EXPECT_EQ(ReaderBestRead::readerKey(nameless), "unknown");

  settings->setValue("ReaderBestRead", QVariantMap{{"unknown", "fast"}});
  EXPECT_EQ(memory.readerBestRead(nameless), std::nullopt);
  memory.recordReaderRead(nameless, 5e6);
  EXPECT_EQ(memory.readerBestRead(nameless), 5e6);
}

TEST_F(CardSettingsTest, ReinsertSwitchIsOffByDefaultAndAnnouncesOnlyChanges) {
  settings->setValue("ShowDiskImages", true);
  AppSettings app(*settings);
  EXPECT_TRUE(app.showDiskImages());
  QSignalSpy changes(&app, &AppSettings::reinsertBeforeVerifyChanged);
  EXPECT_FALSE(app.reinsertBeforeVerify());
  app.setReinsertBeforeVerify(false);
  app.setReinsertBeforeVerify(true);
  app.setReinsertBeforeVerify(true);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_TRUE(AppSettings(*reopened()).reinsertBeforeVerify());
}

}  // namespace
}  // namespace tessorin
