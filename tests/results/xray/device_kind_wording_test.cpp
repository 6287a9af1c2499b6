// A USB drive is worded as a drive: no SD slot, no reader, no card registers. A memory
// card in a USB reader keeps the reader's advice. The user's choice in the kind menu
// turns the wording at once.
#include <gtest/gtest.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "card/progress/ReinsertPanelModel.hpp"
#include "results/xray/DeclaredGridModel.hpp"
#include "results/xray/SignalRowModel.hpp"
#include "results/xray/XRayPanelModel.hpp"
#include "session/records/History.hpp"

namespace tessorin {
namespace {

CardDevice onUSB(std::optional<std::string> productName, std::optional<std::string> readerName) {
  CardDevice device;
  device.id = "5E1F-0A2B";
  device.volumeURL = "/media/user/STICK";
  device.volumeName = "STICK";
  device.mediaBytes = 32'000'000'000;
  device.connection = CardDevice::Connection::usb();
  device.volume.fileSystem = "exfat";
  device.readerName = std::move(readerName);
  USBInfo usb;
  usb.productName = std::move(productName);
  usb.slots = 1;
  device.usb = usb;
  return device;
}

struct KindCase {
  const char* what;
  CardDevice device;
  bool userSaysDrive;
  bool wordedAsDrive;
};

struct Shown {
  QString hiddenTitle;
  QString hiddenExplanation;
  QString declaredTitle;
  QString readerRow;
  QString reinsertStep;
};

// The views that word the device, following one session.
struct Views {
  SignalRowModel hiddenRegisters;
  XRayPanelModel panel;
  ReinsertPanelModel reinsert;

  explicit Views(CardSession& session) {
    hiddenRegisters.setSession(&session);
    hiddenRegisters.setFinding(
        QVariant::fromValue(XRaySignalItem{{XRaySignal::Severity::info, XRaySignal::RegistersHidden{}}}));
    panel.setSession(&session);
    reinsert.setSession(&session);
  }
};

Shown shownFor(CardSession& session) {
  const Views views(session);
  const QList<GridRow> rows = DeclaredGridModel::rowsFor(session.device(), 120e6, session.isUSBDrive());
  QString readerRow;
  for (const GridRow& gridRow : rows) {
    if (gridRow.value.contains("DataTraveler") || gridRow.value.contains("Card Reader")) readerRow = gridRow.label;
  }
  return {views.hiddenRegisters.title(), views.hiddenRegisters.explanation(), views.panel.declaredTitle(),
          readerRow + " / " + rows.last().label, views.reinsert.steps().value(1)};
}

TEST(DeviceKindWording, ADriveIsNeverToldAboutSlotsReadersOrCardRegisters) {
  const Shown asCard{
      "Chip details hidden by the reader",
      "USB readers don’t pass on the card’s identity registers. Use this computer’s own SD slot to see who "
      "made the chip.",
      "What the card and reader report", "Reader / Fastest read in this reader", "Take the card out of the reader."};
  const Shown asDrive{"No chip details from a USB drive",
                      "USB drives don’t report who made their memory chip, so there is no maker to compare with the "
                      "label. The tests above have the final word.",
                      "What the drive reports", "Drive / Fastest read of this drive", "Unplug the drive."};
  const KindCase cases[] = {
      {"a card in a USB reader", onUSB("USB3.0 Card Reader", "USB3.0 Card Reader"), false, false},
      {"a flash drive known by its name", onUSB("DataTraveler 3.0", std::nullopt), false, true},
      {"a card in a reader the user calls a drive", onUSB("USB3.0 Card Reader", "USB3.0 Card Reader"), true, true},
  };
  for (const KindCase& c : cases) {
    QTemporaryDir folder;
    QSettings settings(folder.filePath("settings.ini"), QSettings::IniFormat);
    History history(QUrl::fromLocalFile(folder.filePath("History.json")));
    CardSession session(c.device, &history, settings, {});
    if (c.userSaysDrive) session.chooseDeviceKind(true);
    ASSERT_EQ(session.isUSBDrive(), c.wordedAsDrive) << c.what;
    const Shown shown = shownFor(session);
    const Shown& expected = c.wordedAsDrive ? asDrive : asCard;
    EXPECT_EQ(shown.hiddenTitle, expected.hiddenTitle) << c.what;
    EXPECT_EQ(shown.hiddenExplanation, expected.hiddenExplanation) << c.what;
    EXPECT_EQ(shown.declaredTitle, expected.declaredTitle) << c.what;
    EXPECT_EQ(shown.readerRow, expected.readerRow) << c.what;
    EXPECT_EQ(shown.reinsertStep, expected.reinsertStep) << c.what;
  }
}

TEST(DeviceKindWording, ChoosingDriveInTheKindMenuTurnsTheWordingAtOnce) {
  QTemporaryDir folder;
  QSettings settings(folder.filePath("settings.ini"), QSettings::IniFormat);
  History history(QUrl::fromLocalFile(folder.filePath("History.json")));
  CardSession session(onUSB("USB3.0 Card Reader", "USB3.0 Card Reader"), &history, settings, {});
  Views views(session);
  QSignalSpy rowChanges(&views.hiddenRegisters, &SignalRowModel::findingChanged);
  QSignalSpy panelChanges(&views.panel, &XRayPanelModel::evaluated);
  QSignalSpy reinsertChanges(&views.reinsert, &ReinsertPanelModel::changed);

  session.chooseDeviceKind(true);
  EXPECT_GE(rowChanges.count(), 1);
  EXPECT_GE(panelChanges.count(), 1);
  EXPECT_GE(reinsertChanges.count(), 1);
  EXPECT_EQ(views.hiddenRegisters.title(), "No chip details from a USB drive");
  EXPECT_EQ(views.panel.declaredTitle(), "What the drive reports");
  EXPECT_EQ(views.reinsert.steps().value(1), "Unplug the drive.");
}

}  // namespace
}  // namespace tessorin
