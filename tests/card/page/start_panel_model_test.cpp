#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "card/page/StartPanelModel.hpp"
#include "session/records/History.hpp"

namespace tessorin {
namespace {

CardDevice cardWith(const std::string& fileSystem, std::uint64_t available, const std::string& mountType = "") {
  CardDevice device;
  device.id = "card-1";
  device.volumeName = "CARD";
  device.volumeURL = "/media/CARD";
  device.mediaBytes = 64'000'000'000;
  device.connection = CardDevice::Connection::builtInReader();
  device.volume.fileSystem = fileSystem;
  device.volume.mountType = mountType;
  device.volume.totalBytes = 64'000'000'000;
  device.volume.availableBytes = available;
  return device;
}

CardSession::Environment on(const HostSystem& host) {
  CardSession::Environment environment;
  environment.host = host;
  return environment;
}

TEST(StartPanelModelTest, WordingLinkAndQuickStepByFileSystemAndDriver) {
  const HostSystem reserving = HostSystem::withRelease("6.8.0", true);
  const HostSystem debian12 = HostSystem::withRelease("6.1.0-18-amd64", true);
  const HostSystem fuseOnly = HostSystem::withRelease("6.18.0", false);
  const struct {
    const char* fileSystem;
    const char* mountType;
    HostSystem host;
    const char* explanationStart;
    bool link;
    double quickOpacity;
  } cases[] = {
      {"exfat", "exfat", reserving, "A quick check answers in about a minute", false, 1.0},
      {"msdos", "vfat", reserving, "This card uses FAT32, so the quick probes can’t run", true, 0.4},
      {"ntfs", "ntfs3", reserving, "This card uses NTFS, so the quick probes can’t run", false, 0.4},
      {"EXFAT", "", reserving, "This card uses EXFAT, so", false, 0.4},  // compared exactly, as the volume reports it
      // Drivers that write what they reserve: the quick check is not promised, nor is the
      // switch to exFAT sold for its sake.
      {"exfat", "fuseblk", reserving, "This system’s exFAT driver writes out all the space", false, 0.4},
      {"exfat", "exfat", debian12, "This system’s exFAT driver writes out all the space", false, 0.4},
      {"msdos", "vfat", debian12, "This card uses FAT32, so the quick probes can’t run", false, 0.4},
      {"msdos", "vfat", fuseOnly, "This card uses FAT32, so the quick probes can’t run", false, 0.4},
  };
  for (const auto& c : cases) {
    QTemporaryDir folder;
    QSettings settings(folder.filePath("settings.ini"), QSettings::IniFormat);
    History history(QUrl::fromLocalFile(folder.filePath("History.json")));
    CardSession session(cardWith(c.fileSystem, 1'000'000, c.mountType), &history, settings, on(c.host));
    StartPanelModel panel;
    panel.setSession(&session);
    const std::string what = std::string(c.fileSystem) + " through " + c.mountType + " on " +
                             std::to_string(c.host.kernelMajor) + "." + std::to_string(c.host.kernelMinor);
    EXPECT_TRUE(panel.explanation().startsWith(QString::fromUtf8(c.explanationStart)))
        << what << ": " << panel.explanation().toStdString();
    EXPECT_EQ(panel.showsExFATLink(), c.link) << what;
    EXPECT_DOUBLE_EQ(panel.quickOpacity(), c.quickOpacity) << what;
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
  // A full card is erased before it is checked, and then all of it is tested.
  CardSession full(cardWith("exfat", 0), &history, settings, CardSession::Environment{});
  ASSERT_TRUE(full.tooLittleFreeSpace());
  StartPanelModel fullPanel;
  fullPanel.setSession(&full);
  EXPECT_EQ(fullPanel.advancedDetail(), QStringLiteral("About 1h\u00A011m"));
  session.reset();
  EXPECT_EQ(panel.explanation(), QString());
  panel.start();  // a deleted session is not touched
}

}  // namespace
}  // namespace tessorin
