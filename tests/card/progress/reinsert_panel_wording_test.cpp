// The reinsertion panel names the device one way in every line: a card is taken out of
// its reader, a USB drive is unplugged, and neither is called the other.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include "card/progress/ReinsertPanelModel.hpp"
#include "session/check/CardSession.hpp"
#include "session/records/History.hpp"

namespace tessorin {
namespace {

CardDevice onUSB() {
  CardDevice device;
  device.id = "5E1F-0A2B";
  device.volumeURL = "/media/user/STICK";
  device.volumeName = "STICK";
  device.mediaBytes = 32'000'000'000;
  device.connection = CardDevice::Connection::usb();
  device.volume.fileSystem = "exfat";
  device.readerName = "USB3.0 Card Reader";
  return device;
}

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
    CardSession session(onUSB(), &history, settings, {});
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
