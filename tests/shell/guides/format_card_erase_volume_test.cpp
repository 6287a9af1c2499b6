// The erase sheet on a real card: a loop-mounted exFAT volume, erased by the system's
// tools under the cleaned name, refused while its session checks it, and after a failure
// offering the Disks utility only where it is installed. Needs root.

#include <filesystem>
#include <fstream>

#include <QDir>
#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "LoopVolume.hpp"
#include "SessionFixture.hpp"
#include "session/AppModel.hpp"
#include "tessorin/posix/MountTable.hpp"
#include "shell/guides/FormatCardViewModel.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace testing::literals;
using Stage = FormatCardViewModel::Stage;

std::string labelOf(const std::string& node) {
  std::string label = testing::runCommand({"/usr/sbin/blkid", "-p", "-o", "value", "-s", "LABEL", node}).output;
  while (!label.empty() && std::isspace(static_cast<unsigned char>(label.back()))) label.pop_back();
  return label;
}

// Unmounts what the erase mounted of the loop device's partitions and forgets them, so
// that the loop device can go.
struct ErasedMounts {
  std::string loopDevice;
  ~ErasedMounts() {
    const MountTable table = MountTable::read();
    for (const MountEntry& entry : table.entries()) {
      if (entry.source.rfind(loopDevice + "p", 0) != 0) continue;
      testing::runCommand({"/usr/bin/umount", entry.mountPoint});
      std::error_code ignored;
      fs::remove(entry.mountPoint, ignored);
    }
    testing::runCommand({"/usr/bin/partx", "--delete", loopDevice});
  }
};

// PATH with a folder holding a stand-in "gnome-disks", or without it, for one scope.
struct DisksOnPath {
  QByteArray saved = qgetenv("PATH");
  testing::TemporaryFolder folder;
  explicit DisksOnPath(bool installed) {
    QByteArray path = "/usr/sbin:/usr/bin:/sbin:/bin";
    if (installed) {
      const std::string program = folder.path() + "/gnome-disks";
      std::ofstream(program) << "#!/bin/sh\nexit 0\n";
      fs::permissions(program, fs::perms::owner_all);
      path = QByteArray::fromStdString(folder.path()) + ":" + path;
    }
    qputenv("PATH", path);
  }
  ~DisksOnPath() { qputenv("PATH", saved); }
};

TEST(FormatCardErase, ALoopCardIsRefusedWhileCheckedThenErasedUnderTheCleanedName) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = testing::LoopVolume::create(testing::FileSystemKind::exfat, 64_MiB, "OLD");
  ASSERT_TRUE(volume);
  ErasedMounts erased{volume->loopDevice()};
  CardDevice device = testing::deviceFor(volume->mountPoint(), volume->loopDevice(), 64_MiB);
  device.volumeName = "OLD";
  testing::SessionWorld world;
  AppModel::Sources sources{[device](bool) { return std::vector<CardDevice>{device}; },
                            [] { return std::set<std::string>{}; }, false, {}, {}};
  AppModel model(world.settings, QUrl::fromLocalFile(world.folder.filePath("History.json")),
                 testing::smallCardEnvironment(), sources);
  ASSERT_EQ(model.sessions().size(), 1u);
  CardSession* session = model.sessions().front();

  FormatCardViewModel sheet;
  sheet.setCardName(QStringLiteral("OLD"));
  sheet.setVolumePath(QString::fromStdString(volume->mountPoint()));
  sheet.setSession(session);
  EXPECT_EQ(sheet.model(), &model);

  for (const bool installed : {false, true}) {
    DisksOnPath disks(installed);
    session->setStage(CardSessionStage::full({}));
    sheet.erase();
    EXPECT_EQ(sheet.stage(), Stage::failed);
    EXPECT_EQ(sheet.failureMessage(), "Tessorin is checking this card. Stop the check before erasing it.");
    EXPECT_EQ(sheet.openDisksShown(), installed);
  }
  EXPECT_EQ(labelOf(volume->loopDevice()), "OLD") << "the card under check was touched";

  session->setStage(CardSessionStage::finished());
  sheet.setName(QStringLiteral("NEW/CARD:2024 X"));
  sheet.erase();
  EXPECT_EQ(sheet.stage(), Stage::erasing);
  ASSERT_TRUE(testing::turnLoopUntil([&] { return sheet.stage() != Stage::erasing; }, 120s));
  ASSERT_EQ(sheet.stage(), Stage::done) << sheet.failureMessage().toStdString();
  EXPECT_EQ(sheet.doneText(),
            "Done: the card is now exFAT, named “NEWCARD2024”. Tessorin lists it again in a moment; check it from there.");
  EXPECT_EQ(labelOf(volume->loopDevice() + "p1"), "NEWCARD2024");
  EXPECT_FALSE(model.eraseJob()->running());
}

}  // namespace
}  // namespace tessorin
