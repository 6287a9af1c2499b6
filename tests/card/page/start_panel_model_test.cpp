#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "card/page/StartPanelModel.hpp"
#include "session/records/History.hpp"

namespace tessorin {
namespace {

CardDevice cardWith(const std::string& fileSystem, std::uint64_t available) {
  CardDevice device;
  device.id = "card-1";
  device.volumeName = "CARD";
  device.volumeURL = "/media/CARD";
  device.mediaBytes = 64'000'000'000;
  device.connection = CardDevice::Connection::builtInReader();
  device.volume.fileSystem = fileSystem;
  device.volume.totalBytes = 64'000'000'000;
  device.volume.availableBytes = available;
  return device;
}

TEST(StartPanelModelTest, WordingLinkAndQuickStepByFileSystem) {
  const struct {
    const char* fileSystem;
    const char* explanationStart;
    bool link;
    double quickOpacity;
  } cases[] = {
      {"exfat", "A quick check answers in about a minute", false, 1.0},
      {"msdos", "This card uses FAT32, so the quick probes can’t run", true, 0.4},
      {"ntfs", "This card uses NTFS, so the quick probes can’t run", false, 0.4},
      {"EXFAT", "This card uses EXFAT, so", false, 0.4},  // compared exactly, as the volume reports it
  };
  for (const auto& c : cases) {
    QTemporaryDir folder;
    QSettings settings(folder.filePath("settings.ini"), QSettings::IniFormat);
    History history(QUrl::fromLocalFile(folder.filePath("History.json")));
    CardSession session(cardWith(c.fileSystem, 1'000'000), &history, settings, {});
    StartPanelModel panel;
    panel.setSession(&session);
    EXPECT_TRUE(panel.explanation().startsWith(QString::fromUtf8(c.explanationStart)))
        << c.fileSystem << ": " << panel.explanation().toStdString();
    EXPECT_EQ(panel.showsExFATLink(), c.link) << c.fileSystem;
    EXPECT_DOUBLE_EQ(panel.quickOpacity(), c.quickOpacity) << c.fileSystem;
    EXPECT_EQ(panel.volumePath(), QStringLiteral("/media/CARD"));
  }
}

TEST(StartPanelModelTest, EstimateWritesAt20AndReadsAt60) {
  const struct {
    std::uint64_t available;
    double seconds;
    const char* text;
  } cases[] = {
      {64'000'000'000, 4266.6667, "1h\u00A011m"},
      {1'000'000, 0.0667, "1s"},
      {0, 0, "1s"},
      {900'000'000, 60, "1m"},       // exactly a minute: minutes and seconds
      {54'000'000'000, 3600, "1h"},  // exactly an hour: hours and minutes
      {2'000'000'000'000, 133'333.3333, "37h\u00A02m"},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(StartPanelModel::estimateSeconds(c.available), c.seconds, 0.001) << c.available;
    EXPECT_EQ(StartPanelModel::estimateText(c.available), QString::fromUtf8(c.text)) << c.available;
  }
}

TEST(StartPanelModelTest, AdvancedStepNamesTheEstimateAndStartHandsOverToTheSession) {
  QTemporaryDir folder;
  QSettings settings(folder.filePath("settings.ini"), QSettings::IniFormat);
  History history(QUrl::fromLocalFile(folder.filePath("History.json")));
  auto session = std::make_unique<CardSession>(cardWith("exfat", 64'000'000'000), &history, settings,
                                               CardSession::Environment{});
  StartPanelModel panel;
  panel.setSession(session.get());
  EXPECT_EQ(panel.advancedDetail(), QStringLiteral("About 1h\u00A011m"));
  EXPECT_EQ(panel.startTitle(), QStringLiteral("Check This Card"));
  session.reset();
  EXPECT_EQ(panel.explanation(), QString());
  panel.start();  // a deleted session is not touched
}

}  // namespace
}  // namespace tessorin
