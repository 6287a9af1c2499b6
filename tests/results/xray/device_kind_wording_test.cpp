// A USB drive is worded as a drive: no SD slot, no reader, no card registers. A memory
// card in a USB reader keeps the reader's advice. The user's choice in the kind menu
// turns the wording at once.
#include <gtest/gtest.h>

#include <QRegularExpression>
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

// The reinsertion panel names the device one way in every line: a card is taken out of
// its reader, a USB drive is unplugged, and neither is called the other.
QStringList everyText(const ReinsertWording& words) {
  return QStringList{words.heading, words.explanation, words.requiredReason, words.checkWithoutRemovingText,
                     words.ejectText, words.waitingText} +
         words.steps;
}

struct NounCase {
  bool drive;
  QString heading;
  QString ejectText;
  QString secondStep;
  QRegularExpression otherNoun;
};

TEST(ReinsertPanelWording, EveryLineNamesTheDeviceTheSameWay) {
  const NounCase cases[] = {
      {false, "Now remove the card and put it back", "Eject Card", "Take the card out of the reader.",
       QRegularExpression("drive|unplug", QRegularExpression::CaseInsensitiveOption)},
      {true, "Now unplug the drive and plug it back in", "Eject Drive", "Unplug the drive.",
       QRegularExpression("card|reader|remov|take .* out", QRegularExpression::CaseInsensitiveOption)},
  };
  for (const NounCase& c : cases) {
    QTemporaryDir folder;
    QSettings settings(folder.filePath("settings.ini"), QSettings::IniFormat);
    History history(QUrl::fromLocalFile(folder.filePath("History.json")));
    CardSession session(onUSB("USB3.0 Card Reader", "USB3.0 Card Reader"), &history, settings, {});
    session.chooseDeviceKind(c.drive);
    ReinsertPanelModel panel;
    panel.setSession(&session);

    EXPECT_EQ(panel.heading(), c.heading);
    EXPECT_EQ(panel.ejectText(), c.ejectText);
    ASSERT_EQ(panel.steps().size(), 3);
    EXPECT_EQ(panel.steps().at(1), c.secondStep);
    const QStringList shown = QStringList{panel.heading(), panel.explanation(), panel.checkWithoutRemovingText(),
                                          panel.ejectText(), panel.waitingText()} +
                              panel.steps();
    // The reason a wait is required only shows on some computers; it must agree too.
    for (const QString& text : shown + everyText(ReinsertPanelModel::wording(c.drive, true))) {
      EXPECT_FALSE(c.otherNoun.match(text).hasMatch()) << (c.drive ? "drive: " : "card: ") << text.toStdString();
    }
  }
}

}  // namespace
}  // namespace tessorin
