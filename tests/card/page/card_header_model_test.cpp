#include <cstdint>
#include <limits>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "VolumeFigures.hpp"
#include "card/page/CardHeaderModel.hpp"
#include "session/records/History.hpp"
#include "session/settings/DeviceKinds.hpp"

namespace tessorin {
namespace {

using Connection = CardDevice::Connection;
using Stage = CardSessionStage;

CardDevice device(Connection connection, std::optional<std::string> productName = std::nullopt,
                  bool withRegisters = false) {
  CardDevice device;
  device.id = "card-1";
  device.volumeName = "<b>SD</b>";
  device.mediaBytes = 64'000'000'000;
  device.connection = std::move(connection);
  device.volume.fileSystem = "exfat";
  device.volume.totalBytes = 64'000'000'000;
  device.volume.availableBytes = 63'000'000'000;
  if (withRegisters || productName) {
    device.registers = CardRegisters{};
    device.registers->productName = std::move(productName);
  }
  return device;
}

struct HeaderWorld {
  QTemporaryDir folder;
  QSettings settings{folder.filePath("settings.ini"), QSettings::IniFormat};
  History history{QUrl::fromLocalFile(folder.filePath("History.json"))};
  std::unique_ptr<CardSession> session;
  CardHeaderModel header;

  explicit HeaderWorld(const CardDevice& card)
      : session(std::make_unique<CardSession>(card, &history, settings, CardSession::Environment{})) {
    header.setSession(session.get());
  }
};

TEST(StorageBarTest, ShareAndCaptionAtTheEdges) {
  constexpr std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
  const struct {
    const char* name;
    VolumeStats volume;
    double share;
    const char* caption;
  } cases[] = {
      {"empty volume", volume(0, 0), 0, "0\u00A0bytes free of 0\u00A0bytes"},
      {"more free than total", volume(1000, 2000), 0, "2\u00A0kB free of 1\u00A0kB"},
      {"one byte used of 64 GB", volume(64'000'000'000, 63'999'999'999), 1.0 / 64e9, "64\u00A0GB free of 64\u00A0GB"},
      {"full", volume(64'000'000'000, 0), 1, "0\u00A0bytes free of 64\u00A0GB"},
      {"half", volume(2000, 1000), 0.5, "1\u00A0kB free of 2\u00A0kB"},
      {"counts past the signed range", volume(top, top - 1), 1.0 / 1.8446744073709552e19,
       "9.2\u00A0EB free of 9.2\u00A0EB"},
  };
  for (const auto& c : cases) {
    const double share = CardHeaderModel::usedShare(c.volume);
    EXPECT_DOUBLE_EQ(share, c.share) << c.name;
    EXPECT_EQ(CardHeaderModel::storageCaption(c.volume), QString::fromUtf8(c.caption)) << c.name;
  }
}

TEST(CardHeaderModelTest, ChipsByConnectionAndRegisters) {
  const struct {
    const char* name;
    CardDevice card;
    const char* kindSymbol;
    bool menu;
    const char* productName;
  } cases[] = {
      {"built-in reader", device(Connection::builtInReader(), "SD64G"), "sdcard", false, "SD64G"},
      {"registers without a product name", device(Connection::builtInReader(), std::nullopt, true), "sdcard", false, ""},
      {"disk image", device(Connection::diskImage()), "cable.connector", false, ""},
      {"other interconnect", device(Connection::other("Thunderbolt")), "cable.connector", false, ""},
      {"USB", device(Connection::usb()), "cable.connector", true, ""},
  };
  for (const auto& c : cases) {
    HeaderWorld world(c.card);
    EXPECT_EQ(world.header.kindSymbol(), QString::fromUtf8(c.kindSymbol)) << c.name;
    EXPECT_EQ(world.header.kindIsMenu(), c.menu) << c.name;
    EXPECT_EQ(world.header.productName(), QString::fromUtf8(c.productName)) << c.name;
    EXPECT_EQ(world.header.volumeName(), QStringLiteral("<b>SD</b>")) << c.name;
    EXPECT_EQ(world.header.claimText(), QStringLiteral("Claims 64\u00A0GB")) << c.name;
    EXPECT_EQ(world.header.fileSystemLabel(), QStringLiteral("exFAT")) << c.name;
  }
}

TEST(CardHeaderModelTest, KindMenuWorksOnlyAtRestAndScanningOnlyInTheChecks) {
  HeaderWorld world(device(Connection::usb()));
  const struct {
    Stage stage;
    bool menuEnabled;
    bool scanning;
  } cases[] = {
      {Stage::idle(), true, false},          {Stage::quick({}), false, true},
      {Stage::full({}), false, true},        {Stage::reinsert(true), false, false},
      {Stage::decision(), false, false},     {Stage::erasing(), false, false},
      {Stage::finished(), true, false},
  };
  for (const auto& c : cases) {
    world.session->setStage(c.stage);
    EXPECT_EQ(world.header.kindMenuEnabled(), c.menuEnabled) << static_cast<int>(c.stage.kind);
    EXPECT_EQ(world.header.scanning(), c.scanning) << static_cast<int>(c.stage.kind);
  }
}

TEST(CardHeaderModelTest, ChoosingDriveChangesTheChipAtOnceAndHoldsForTheCard) {
  HeaderWorld world(device(Connection::usb()));
  world.header.chooseKind(false);
  const QString before = world.header.kindLabel();
  QSignalSpy deviceChanged(world.session.get(), &CardSession::deviceChanged);
  QSignalSpy headerChanged(&world.header, &CardHeaderModel::changed);
  world.header.chooseKind(true);
  EXPECT_EQ(deviceChanged.count(), 1);
  EXPECT_GE(headerChanged.count(), 1);
  EXPECT_TRUE(world.session->isUSBDrive());
  EXPECT_NE(world.header.kindLabel(), before);

  CardSession again(world.session->device(), &world.history, world.settings, {});
  EXPECT_TRUE(again.isUSBDrive());
  EXPECT_EQ(again.kindLabel(), world.header.kindLabel());

  world.header.chooseKind(false);
  EXPECT_FALSE(world.session->isUSBDrive());
}

TEST(CardHeaderModelTest, AChoiceWhileBusyIsIgnored) {
  HeaderWorld world(device(Connection::usb()));
  world.session->setStage(Stage::decision());
  QSignalSpy deviceChanged(world.session.get(), &CardSession::deviceChanged);
  world.header.chooseKind(true);
  EXPECT_EQ(deviceChanged.count(), 0);
  EXPECT_FALSE(DeviceKinds(world.settings).storedIsDrive("card-1").has_value());
}

TEST(CardHeaderModelTest, ADeletedSessionLeavesAnEmptyHeader) {
  HeaderWorld world(device(Connection::usb(), "SD64G"));
  QSignalSpy changed(&world.header, &CardHeaderModel::changed);
  world.session.reset();
  EXPECT_GE(changed.count(), 1);
  EXPECT_FALSE(world.header.hasSession());
  EXPECT_EQ(world.header.volumeName(), QString());
  EXPECT_EQ(world.header.productName(), QString());
  EXPECT_FALSE(world.header.kindIsMenu());
  world.header.chooseKind(true);  // nothing to touch
}

}  // namespace
}  // namespace tessorin
