#include "session/system/CardFiles.hpp"

#include <fstream>

#include <gtest/gtest.h>

#include "Command.hpp"
#include "LoopVolume.hpp"
#include "tessorin/posix/BlockDeviceProbe.hpp"
#include "tessorin/posix/MountTable.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using testing::FileSystemKind;
using testing::LoopVolume;
using testing::runCommand;
using testing::TemporaryFolder;

void writeFile(const fs::path& path) { std::ofstream(path) << "data"; }

std::string uuidOf(const std::string& node) {
  const std::optional<BlockDeviceTags> tags = probeBlockDevice(node);
  return tags ? tags->uuid : std::string();
}

TEST(CardFiles, DeletesEverythingButNeverFollowsLinksOrCrossesIntoAnotherMount) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = LoopVolume::create(FileSystemKind::ext4, 64ull << 20);
  const fs::path root = card->mountPoint();
  TemporaryFolder outside;
  writeFile(fs::path(outside.path()) / "precious.txt");

  fs::create_directories(root / "DCIM/100");
  writeFile(root / "DCIM/100/photo.jpg");
  writeFile(root / ".Spotlight-V100");
  fs::create_directory_symlink(outside.path(), root / "link-to-outside");
  fs::create_directory_symlink(outside.path(), root / "DCIM/inner-link");
  fs::create_directories(root / "TestFolderParent");
  fs::create_directories(root / "mounted-inside");
  ASSERT_TRUE(runCommand({"/usr/bin/mount", "-t", "tmpfs", "-o", "size=1m", "tessorin-test", (root / "mounted-inside").string()}).ok());
  writeFile(root / "mounted-inside/other-device.txt");

  EXPECT_TRUE(CardFiles::open(root, card->loopDevice(), uuidOf(card->loopDevice())).deleteAllExcept({".Spotlight-V100"}))
      << "a card that takes writes was taken for one that refuses them";

  EXPECT_TRUE(fs::exists(fs::path(outside.path()) / "precious.txt"));
  EXPECT_FALSE(fs::exists(root / "DCIM"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(root / "link-to-outside")));
  EXPECT_TRUE(fs::exists(root / ".Spotlight-V100"));
  EXPECT_TRUE(fs::exists(root / "mounted-inside/other-device.txt"));
  runCommand({"/usr/bin/umount", (root / "mounted-inside").string()});
}

TEST(CardFiles, RefusesAPathThatIsNotTheRootOfTheCardsDevice) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = LoopVolume::create(FileSystemKind::ext4, 64ull << 20);
  fs::create_directories(fs::path(card->mountPoint()) / "sub");
  auto other = LoopVolume::create(FileSystemKind::ext4, 64ull << 20);

  EXPECT_THROW(CardFiles::open(card->mountPoint(), other->loopDevice(), {}), PosixError);
  EXPECT_THROW(CardFiles::open(fs::path(card->mountPoint()) / "sub", card->loopDevice(), {}), PosixError);
  // Pulled out: the mount point is now an empty folder on the disk below.
  const std::string device = card->loopDevice();
  card->unmount();
  EXPECT_THROW(CardFiles::open(card->mountPoint(), device, {}), PosixError);
}

TEST(CardFiles, RefusesTheNextCardInTheSameReaderUnderTheSameNodeAndPlace) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = LoopVolume::create(FileSystemKind::exfat, 64ull << 20);
  const fs::path root = card->mountPoint();
  const std::string node = card->loopDevice();
  const std::string firstCard = uuidOf(node);
  ASSERT_FALSE(firstCard.empty());
  // The first card goes; another with the same label comes into the same reader.
  card->unmount();
  ASSERT_TRUE(runCommand({"/usr/sbin/mkfs.exfat", "-L", "TESTCARD", node}).ok());
  ASSERT_TRUE(card->mount());
  const std::string secondCard = uuidOf(node);
  ASSERT_NE(secondCard, firstCard);
  writeFile(root / "photo.jpg");

  EXPECT_THROW(CardFiles::open(root, node, firstCard), PosixError);
  EXPECT_TRUE(fs::exists(root / "photo.jpg"));

  CardFiles::open(root, node, secondCard).deleteAllExcept({});
  EXPECT_FALSE(fs::exists(root / "photo.jpg")) << "the card's own UUID lets the deletion through";
  EXPECT_NO_THROW(CardFiles::open(root, node, {})) << "a card known by its node alone is pinned by the node";
}

TEST(CardFiles, TheSystemsOwnDiskIsNeverOpenedForDeleting) {
  const MountTable table = MountTable::read();
  std::string rootSource;
  for (const MountEntry& entry : table.entries()) {
    if (entry.mountPoint == "/") rootSource = entry.source;
  }
  if (rootSource.rfind("/dev/", 0) != 0) GTEST_SKIP() << "the system lives on no disk here: " << rootSource;
  try {
    CardFiles::open("/", rootSource, "");
    FAIL() << "the system's volume was opened for deleting";
  } catch (const PosixError& error) {
    EXPECT_EQ(error.code(), EPERM);
  }
}

TEST(CardFiles, RemovesTheTestFolderOnlyAndSaysWhenThereWasNone) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = LoopVolume::create(FileSystemKind::exfat, 64ull << 20);
  const fs::path root = card->mountPoint();
  fs::create_directories(TestFolder::path(root) / "sub");
  writeFile(TestFolder::path(root) / "F00001.otr");
  writeFile(root / "keep.txt");

  const CardFiles files = CardFiles::open(root, card->loopDevice(), uuidOf(card->loopDevice()));
  EXPECT_THROW(files.removeTestFolder(), TestFolder::NotATestFolder) << "a folder no test makes is the user's";
  EXPECT_TRUE(fs::exists(TestFolder::path(root) / "sub"));
  fs::remove(TestFolder::path(root) / "sub");
  EXPECT_TRUE(files.removeTestFolder());
  EXPECT_FALSE(fs::exists(TestFolder::path(root)));
  EXPECT_TRUE(fs::exists(root / "keep.txt"));
  EXPECT_FALSE(files.removeTestFolder());
}

}  // namespace
}  // namespace tessorin
