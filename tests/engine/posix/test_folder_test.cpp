#include "tessorin/posix/TestFolder.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "Command.hpp"
#include "CounterfeitCard.hpp"
#include "LoopVolume.hpp"
#include "tessorin/posix/MountTable.hpp"
#include "UnremovableTestFolder.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/TestFolderClaim.hpp"
#include "tessorin/posix/TestFolderNotRemovable.hpp"
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

// What stands where the test folder goes decides what is removed: a test's own leftovers
// and a link in their place go (the link only, never what it points at); a user's file
// or folder of that name is never touched and is named in the refusal.
TEST(TestFolder, LeftoversAndLinksGoAUsersFileOrFolderOfThatNameStays) {
  testing::TemporaryFolder elsewhere;
  const fs::path target = fs::path(elsewhere.path()) / "photos";
  fs::create_directory(target);
  leaveFile(target / "F00001.otr", 10);
  const struct {
    const char* what;
    std::function<void(const fs::path&)> leave;
    bool removed;
  } cases[] = {
      {"nothing", [](const fs::path&) {}, false},
      {"a test's folder", [](const fs::path& at) {
         fs::create_directory(at);
         for (const char* name : {"F00001.otr", "Q00012.otr", "Z.otr"}) leaveFile(at / name, 10);
       }, true},
      {"an empty folder", [](const fs::path& at) { fs::create_directory(at); }, true},
      {"a dangling link", [](const fs::path& at) { fs::create_symlink("/nonexistent/elsewhere", at); }, true},
      {"a link to a folder elsewhere", [&](const fs::path& at) { fs::create_directory_symlink(target, at); }, true},
      {"a user's file", [](const fs::path& at) { leaveFile(at, 10); }, false},
      {"a user's folder", [](const fs::path& at) {
         fs::create_directory(at);
         leaveFile(at / "F00001.otr", 10);
         leaveFile(at / "holiday.jpg", 10);
       }, false},
      {"a folder with a link among test files", [&](const fs::path& at) {
         fs::create_directory(at);
         fs::create_symlink(target / "F00001.otr", at / "F00002.otr");
       }, false},
  };
  for (const auto& c : cases) {
    testing::TemporaryFolder volume;
    const fs::path at = TestFolder::path(volume.path());
    c.leave(at);
    const bool present = fs::exists(fs::symlink_status(at));
    EXPECT_EQ(TestFolder::exists(volume.path()), present) << c.what;
    if (!present || c.removed) {
      EXPECT_EQ(TestFolder::removeLeftovers(volume.path()), present) << c.what;
      EXPECT_FALSE(fs::exists(fs::symlink_status(at))) << c.what;
    } else {
      try {
        TestFolder::removeLeftovers(volume.path());
        ADD_FAILURE() << c.what << " was removed";
      } catch (const TestFolder::NotATestFolder& refusal) {
        EXPECT_NE(std::string(refusal.what()).find(at.string()), std::string::npos) << refusal.what();
      }
      EXPECT_TRUE(fs::exists(fs::symlink_status(at))) << c.what;
    }
  }
  EXPECT_TRUE(fs::exists(target / "F00001.otr")) << "what a link pointed at was deleted";
}

// The system's own disk is never a card: no test starts on it.
TEST(TestFolder, NoTestIsPreparedOnTheDiskThatHoldsTheRunningSystem) {
  std::string rootSource;
  const MountTable table = MountTable::read();
  for (const MountEntry& entry : table.entries()) {
    if (entry.mountPoint == "/") rootSource = entry.source;
  }
  if (rootSource.rfind("/dev/", 0) != 0) GTEST_SKIP() << "the system lives on no disk here: " << rootSource;
  try {
    VolumeMount::pin("/");
    FAIL() << "the system's volume was taken for a card";
  } catch (const PosixError& error) {
    EXPECT_EQ(error.code(), EPERM);
  }
}

class TestFolderOnVolume : public ::testing::TestWithParam<FileSystemKind> {};

TEST_P(TestFolderOnVolume, PrepareReadsTheVolumeAsTheSystemSeesIt) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 256 * MiB);

  // How long this takes is measured in bench/test_folder_bench.
  const auto prepared = TestFolder::prepare(volume->mountPoint());
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

TEST_P(TestFolderOnVolume, LeftoversThatCannotBeRemovedSayWhatTheyAre) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 256 * MiB);
  testing::UnremovableTestFolder stuck(*volume);
  try {
    TestFolder::prepare(volume->mountPoint());
    ADD_FAILURE() << "a folder that cannot be removed was prepared";
  } catch (const TestFolderNotRemovable& error) {
    EXPECT_EQ(error.code(), GetParam() == FileSystemKind::exfat ? std::errc::io_error : std::errc::directory_not_empty);
    EXPECT_EQ(error.path1(), TestFolder::path(volume->mountPoint()));
    EXPECT_FALSE(error.cardRefusesWrites()) << "a damaged folder on a card that takes writes";
  }
}

// The claim decides which folder is the running check's; of what it holds, only the
// files the check made there are the check's. One put in its place by someone else is
// not the check's, however it came there.
TEST_P(TestFolderOnVolume, OfAFolderTheCheckMadeOnlyItsOwnFilesGoAnotherInItsPlaceIsNotItsOwn) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 128 * MiB);
  const fs::path folder = TestFolder::path(volume->mountPoint());
  TestFolderClaim claim;
  {
    const TestFolder::Prepared prepared = TestFolder::prepare(volume->mountPoint(), &claim);
    prepared.files.createFile("F00000.otr");
    EXPECT_THROW(prepared.files.createFile("F00000.otr"), TestFolder::NotATestFolder) << "a file was made twice";
  }

  const auto first = FileIdentity::at(AT_FDCWD, folder.c_str());
  ASSERT_TRUE(first);
  leaveFile(folder / "F00001.otr", 10);
  EXPECT_THROW(TestFolder::prepare(volume->mountPoint(), &claim), TestFolder::NotATestFolder)
      << "a file named as the check's but not made by it was taken";
  EXPECT_TRUE(fs::exists(folder / "F00001.otr"));
  EXPECT_FALSE(fs::exists(folder / "F00000.otr")) << "the check's own file stayed";
  EXPECT_TRUE(claim.leftOnCard());
  fs::remove(folder / "F00001.otr");
  TestFolder::prepare(volume->mountPoint(), &claim);
  EXPECT_TRUE(fs::is_empty(folder)) << "the check's own folder was not made anew";

  // The user replaces it; held open, the check's folder cannot hand its inode on.
  fs::remove_all(folder);
  fs::create_directory(folder);
  leaveFile(folder / "holiday.jpg", 10);
  EXPECT_THROW(TestFolder::prepare(volume->mountPoint(), &claim), TestFolder::NotATestFolder);
  EXPECT_TRUE(fs::exists(folder / "holiday.jpg"));

  // Only the folders still on the card stay held: a held folder keeps the card mounted.
  const auto users = FileIdentity::at(AT_FDCWD, folder.c_str());
  ASSERT_TRUE(users);
  EXPECT_TRUE(claim.holds(*first));
  claim.forgetRemoved();
  EXPECT_FALSE(claim.holds(*first));
  EXPECT_FALSE(claim.holds(*users));
  EXPECT_TRUE(testing::runCommand({"umount", volume->mountPoint()}).ok()) << "a removed folder is still held";
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

// A card that refuses writes keeps its test folder, however the file system shows it
// meanwhile: exfat-fuse shows the folder gone and learns of the refusal only when synced,
// and the folder is back once the card is mounted again. No removal may count as done.
TEST_P(TestFolderOnVolume, ARemovalACardRefusingWritesDidNotTakeIsNoRemoval) {
  TESSORIN_REQUIRE_VOLUMES();
  using testing::CounterfeitCard;
  enum class Removal { leftovers, quietly, prepare };
  for (const Removal removal : {Removal::leftovers, Removal::quietly, Removal::prepare}) {
    for (const int refusal : {EROFS, EIO}) {
      const std::string what = std::to_string(static_cast<int>(removal)) + ", " + std::strerror(refusal);
      auto card = CounterfeitCard::make({.claimed = 128 * MiB, .fileSystem = GetParam(), .readOnlyError = refusal});
      const fs::path folder = TestFolder::path(card->mountPoint());
      fs::create_directory(folder);
      leaveFile(folder / "F00000.otr", MiB);
      // A FUSE daemon writes a closed file's records after close returns, and sync does
      // not wait for it; an unmount does, so the card holds the folder before it turns
      // read-only.
      card->volume().unmount();
      ASSERT_TRUE(card->volume().mount()) << what;
      card->turnReadOnlyAfter(0);

      TestFolderClaim claim;
      if (removal == Removal::quietly) {
        EXPECT_FALSE(TestFolder::removeQuietly(card->mountPoint(), &claim)) << what;
      } else {
        try {
          if (removal == Removal::leftovers) TestFolder::removeLeftovers(card->mountPoint());
          if (removal == Removal::prepare) TestFolder::prepare(card->mountPoint(), &claim);
          ADD_FAILURE() << what << ": a removal the card refused counted as done";
        } catch (const TestFolderNotRemovable& error) {
          EXPECT_TRUE(error.cardRefusesWrites()) << what << ": " << error.what();
          EXPECT_EQ(error.path1(), folder) << what;
        }
      }
      EXPECT_EQ(claim.leftOnCard(), removal != Removal::leftovers) << what;
      if (GetParam() == FileSystemKind::exfat) {
        card->volume().unmount();
        ASSERT_TRUE(card->volume().mount()) << what;
        EXPECT_TRUE(fs::exists(folder / "F00000.otr")) << what << ": the card did not keep the folder after all";
      }
    }
  }
}

// A volume the system mounted read-only (a card's write-protect switch) refuses the
// removal at once, and with no folder to remove, the new folder: both say the card
// refuses writes, so that a test can give its verdict instead of the erase advice.
TEST_P(TestFolderOnVolume, AReadOnlyVolumeRefusesWritesRatherThanLookingDamaged) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 128 * MiB);
  fs::create_directory(TestFolder::path(volume->mountPoint()));
  leaveFile(TestFolder::path(volume->mountPoint()) / "F00000.otr", MiB);
  ASSERT_TRUE(testing::runCommand({"mount", "-o", "remount,ro", volume->mountPoint()}).ok());
  TestFolderClaim claim;
  try {
    TestFolder::prepare(volume->mountPoint(), &claim);
    ADD_FAILURE() << "a folder was prepared on a read-only volume";
  } catch (const TestFolderNotRemovable& error) {
    EXPECT_TRUE(error.cardRefusesWrites()) << error.what();
    EXPECT_EQ(error.code(), std::errc::read_only_file_system);
  }
  EXPECT_TRUE(claim.leftOnCard());

  ASSERT_TRUE(testing::runCommand({"mount", "-o", "remount,rw", volume->mountPoint()}).ok());
  fs::remove_all(TestFolder::path(volume->mountPoint()));
  ASSERT_TRUE(testing::runCommand({"mount", "-o", "remount,ro", volume->mountPoint()}).ok());
  try {
    TestFolder::prepare(volume->mountPoint());
    ADD_FAILURE() << "a folder was made on a read-only volume";
  } catch (const PosixError& error) {
    EXPECT_EQ(error.code(), EROFS) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, TestFolderOnVolume, ::testing::Values(FileSystemKind::exfat, FileSystemKind::ext4),
                         [](const auto& info) { return info.param == FileSystemKind::exfat ? "exFAT" : "ext4"; });

}  // namespace
}  // namespace tessorin
