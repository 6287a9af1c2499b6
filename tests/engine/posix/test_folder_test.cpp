#include "tessorin/posix/TestFolder.hpp"

#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "Command.hpp"
#include "LoopVolume.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/VolumeMount.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using testing::FileSystemKind;
using testing::LoopVolume;

constexpr std::uint64_t MiB = 1 << 20;

void leaveFile(const fs::path& path, std::size_t bytes) {
  std::ofstream out(path, std::ios::binary);
  out << std::string(bytes, 'x');
}

TEST(TestFolder, NamesFilesWithFiveDigits) {
  EXPECT_EQ(TestFolder::numberedFileName('F', 1), "F00001.otr");
  EXPECT_EQ(TestFolder::numberedFileName('Q', 12345), "Q12345.otr");
}

TEST(TestFolder, LeftoversOnAPlainFolderAreRemovedWhetherFolderOrFile) {
  testing::TemporaryFolder volume;
  EXPECT_FALSE(TestFolder::removeLeftovers(volume.path()));

  leaveFile(fs::path(volume.path()) / TestFolder::name, 10);
  EXPECT_TRUE(TestFolder::exists(volume.path()));
  EXPECT_TRUE(TestFolder::removeLeftovers(volume.path()));
  EXPECT_FALSE(TestFolder::exists(volume.path()));

  fs::create_directory(TestFolder::path(volume.path()));
  leaveFile(TestFolder::path(volume.path()) / "F00001.otr", 10);
  EXPECT_TRUE(TestFolder::removeLeftovers(volume.path()));
  EXPECT_FALSE(fs::exists(TestFolder::path(volume.path())));
}

class TestFolderOnVolume : public ::testing::TestWithParam<FileSystemKind> {};

TEST_P(TestFolderOnVolume, PrepareReadsTheVolumeAsTheSystemSeesIt) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 256 * MiB);

  const auto started = std::chrono::steady_clock::now();
  const auto prepared = TestFolder::prepare(volume->mountPoint());
  // Nothing was left over, so the figures are read once, without waiting for them to settle.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(250));
  EXPECT_TRUE(fs::is_directory(prepared.folder));
  EXPECT_TRUE(fs::is_empty(prepared.folder));

  struct statvfs figures {};
  ASSERT_EQ(::statvfs(volume->mountPoint().c_str(), &figures), 0);
  EXPECT_EQ(prepared.stats.fileSystem, GetParam() == FileSystemKind::exfat ? "exfat" : "ext4");
  EXPECT_EQ(prepared.stats.deviceNode, volume->loopDevice());
  EXPECT_EQ(prepared.stats.totalBytes, figures.f_blocks * figures.f_frsize);
  EXPECT_EQ(prepared.stats.availableBytes, figures.f_bavail * figures.f_frsize);

  const auto df = testing::runChecked({"df", "-B1", "--output=size", volume->mountPoint()});
  EXPECT_NE(df.find(std::to_string(prepared.stats.totalBytes)), std::string::npos) << df;
}

TEST_P(TestFolderOnVolume, PrepareClearsWhatAnEarlierRunLeft) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 256 * MiB);
  fs::create_directory(TestFolder::path(volume->mountPoint()));
  leaveFile(TestFolder::path(volume->mountPoint()) / "F00001.otr", 8 * MiB);

  const auto prepared = TestFolder::prepare(volume->mountPoint());
  EXPECT_TRUE(fs::is_empty(prepared.folder));
  EXPECT_EQ(prepared.stats.availableBytes, VolumeStats(volume->mountPoint()).availableBytes);
}

TEST_P(TestFolderOnVolume, AnUnmountedCardIsNoLongerItsMountPoint) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 128 * MiB);
  const auto mount = VolumeMount::pin(volume->mountPoint());
  EXPECT_NO_THROW(mount.confirmStillMounted());
  EXPECT_EQ(mount.readsThroughDeviceCache(), GetParam() == FileSystemKind::exfat);
  EXPECT_TRUE(mount.dropDeviceCache());

  volume->unmount();
  // The mount point is now an empty folder on the disk below: writing there would fill
  // the system disk instead of the card.
  try {
    mount.confirmStillMounted();
    FAIL() << "an unmounted volume was taken for the card";
  } catch (const PosixError& error) {
    EXPECT_EQ(error.code(), ENODEV);
  }
}

TEST_P(TestFolderOnVolume, AnUnmountedCardsEmptyMountPointIsRefusedBeforeAnythingIsWritten) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 128 * MiB);
  volume->unmount();
  // What is left is an ordinary folder on the disk below the card.
  try {
    TestFolder::prepare(volume->mountPoint());
    FAIL() << "a test was prepared on the disk below an unmounted card";
  } catch (const PosixError& error) {
    EXPECT_EQ(error.operation(), "mount");
    EXPECT_EQ(error.code(), ENODEV);
  }
  EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
}

INSTANTIATE_TEST_SUITE_P(FileSystems, TestFolderOnVolume, ::testing::Values(FileSystemKind::exfat, FileSystemKind::ext4),
                         [](const auto& info) { return info.param == FileSystemKind::exfat ? "exFAT" : "ext4"; });

}  // namespace
}  // namespace tessorin
