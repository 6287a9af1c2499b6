#include <optional>
#include <string>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "card/artwork/CardArtworkModel.hpp"
#include "theme/Palette.hpp"
#include "session/records/History.hpp"
#include "session/settings/DeviceKinds.hpp"

namespace tessorin {
namespace {

using Verdict = CheckOutcome::Verdict;

CardDevice builtInCard(std::optional<std::string> cardType) {
  CardDevice device;
  device.id = "built-in";
  device.mediaBytes = 64'000'000'000;
  device.connection = CardDevice::Connection::builtInReader();
  CardRegisters registers;
  registers.cardType = std::move(cardType);
  device.registers = registers;
  return device;
}

CardDevice usbDevice(std::uint64_t mediaBytes) {
  CardDevice device;
  device.id = "usb";
  device.mediaBytes = mediaBytes;
  device.connection = CardDevice::Connection::usb();
  return device;
}

QColor at(QColor color, float opacity) {
  color.setAlphaF(opacity);
  return color;
}

TEST(CardArtworkModelTest, GlowColourComesFromTheVerdictAndItsStrengthFromScanning) {
  const struct {
    std::optional<Verdict> verdict;
    bool scanning;
    QColor color;
    double radius;
  } cases[] = {
      {std::nullopt, false, at(Qt::black, 0.3f), 12},
      {std::nullopt, true, at(Palette::cyan(), 0.55f), 22},
      {Verdict::genuine, false, at(Palette::green(), 0.3f), 12},
      {Verdict::likelyGenuine, true, at(Palette::green(), 0.55f), 22},
      {Verdict::fake, true, at(Palette::red(), 0.55f), 22},
      {Verdict::damaged, false, at(Palette::amber(), 0.3f), 12},
      {Verdict::inconclusive, false, at(Palette::amber(), 0.3f), 12},
  };
  for (const auto& c : cases) {
    const auto look = CardArtworkModel::look(builtInCard("SDXC"), std::nullopt, c.scanning, c.verdict, false);
    EXPECT_EQ(look.glowColor, c.color) << (c.verdict ? c.verdict->rawValue() : "none") << c.scanning;
    EXPECT_EQ(look.glowRadius, c.radius);
  }
}

TEST(CardArtworkModelTest, SealAndStampFollowTheVerdict) {
  const struct {
    std::optional<Verdict> verdict;
    const char* seal;
    bool stamp;
  } cases[] = {
      {std::nullopt, "", false},
      {Verdict::genuine, "checkmark.seal.fill", false},
      {Verdict::likelyGenuine, "checkmark.seal.fill", false},
      {Verdict::fake, "xmark.seal.fill", true},
      {Verdict::damaged, "exclamationmark.triangle.fill", false},
      {Verdict::inconclusive, "questionmark.diamond.fill", false},
  };
  for (const auto& c : cases) {
    const auto look = CardArtworkModel::look(builtInCard("SDXC"), std::nullopt, true, c.verdict, false);
    EXPECT_EQ(look.sealSymbol, QString::fromUtf8(c.seal));
    EXPECT_EQ(look.showsStamp, c.stamp);
    if (c.verdict) {
      EXPECT_EQ(look.sealColor, Palette::verdictColor(*c.verdict));
    }
  }
}

TEST(CardArtworkModelTest, LabelLinesNeverPrintTheCardTypeTwice) {
  const struct {
    CardDevice device;
    std::optional<std::string> brand;
    const char* brandLine;
    const char* typeLine;
    bool drive = false;
  } cases[] = {
      {builtInCard("SDHC"), std::nullopt, "SDHC", ""},
      {builtInCard("SDHC"), "SanDisk", "SanDisk", "SDHC"},
      {builtInCard(std::nullopt), std::nullopt, "SD", ""},
      {builtInCard(std::nullopt), "Lexar", "Lexar", ""},
      // A card in a USB reader shows no registers, so nothing says it is an SD card: drawn
      // as a card, its face reads "USB" like a drive's.
      {usbDevice(64'000'000'000), std::nullopt, "USB", ""},
      {usbDevice(64'000'000'000), std::nullopt, "USB", "", true},
      {usbDevice(64'000'000'000), "<b>x</b>", "<b>x</b>", ""},
  };
  for (const auto& c : cases) {
    const auto look = CardArtworkModel::look(c.device, c.brand, false, std::nullopt, c.drive);
    EXPECT_EQ(look.brandLine, QString::fromUtf8(c.brandLine));
    EXPECT_EQ(look.typeLine, QString::fromUtf8(c.typeLine));
    EXPECT_EQ(look.capacityLine, QStringLiteral("64\u00A0GB"));
    EXPECT_EQ(look.accessibleName, QStringLiteral("64\u00A0GB"));
  }
  EXPECT_EQ(CardArtworkModel::look(usbDevice(0), std::nullopt, false, std::nullopt, false).capacityLine,
            QStringLiteral("0\u00A0bytes"));
}

// Settings, a history and one session over a device, in a temporary folder.
struct SessionWorld {
  QTemporaryDir folder;
  QSettings settings{folder.filePath("settings.ini"), QSettings::IniFormat};
  History history{QUrl::fromLocalFile(folder.filePath("History.json"))};
};

TEST(CardArtworkModelTest, FollowsTheSessionsBrandAndKind) {
  SessionWorld world;
  // 64 GB is no multiple of 512 KiB: a nameless USB device of that size is a drive.
  CardSession session(usbDevice(64'000'000'000), &world.history, world.settings, {});
  CardArtworkModel model;
  model.setSession(&session);
  EXPECT_TRUE(model.drive());
  EXPECT_DOUBLE_EQ(model.aspectRatio(), 1.55);
  EXPECT_EQ(model.brandLine(), QStringLiteral("USB"));

  QSignalSpy changed(&model, &CardArtworkModel::changed);
  session.setClaimedBrand(Brand::other);
  session.setCustomBrandName("Acme Pro");
  EXPECT_EQ(model.brandLine(), QStringLiteral("Acme Pro"));
  EXPECT_GE(changed.count(), 1);

  DeviceKinds(world.settings).store(false, session.id());
  EXPECT_FALSE(session.isUSBDrive());
  model.setVerdict(QStringLiteral("fake"));
  EXPECT_FALSE(model.drive());
  EXPECT_TRUE(model.showsStamp());
}

}  // namespace
}  // namespace tessorin
