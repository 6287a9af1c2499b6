// The file system's type, UUID and label as the device scanner, the clean-up and the
// eraser learn them: read from the start of the device where it can be opened, from what
// the system recorded where it cannot, and never an empty answer from a probe that failed.
#include "tessorin/posix/BlockDeviceProbe.hpp"

#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "CounterfeitCard.hpp"
#include "../../../engine/src/posix/FuseServer.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::CounterfeitCard;
using testing::FileSystemKind;
using testing::LoopVolume;

std::string blkidValue(const std::string& device, const std::string& tag) {
  std::string value = testing::runCommand({"blkid", "-p", "-o", "value", "-s", tag, device}).output;
  while (!value.empty() && value.back() == '\n') value.pop_back();
  return value;
}

TEST(BlockDeviceProbe, ReadsWhatBlkidReadsFromARealVolume) {
  TESSORIN_REQUIRE_VOLUMES();
  const struct {
    FileSystemKind kind;
    std::string label;
    std::string type;
  } cases[] = {{FileSystemKind::exfat, "TESTCARD", "exfat"},
               {FileSystemKind::exfat, "Ünï cöde 😀", "exfat"},
               {FileSystemKind::ext4, "EXT CARD", "ext4"}};
  for (const auto& card : cases) {
    auto volume = LoopVolume::create(card.kind, 64_MiB, card.label);
    const auto tags = probeBlockDevice(volume->loopDevice());
    ASSERT_TRUE(tags) << card.label;
    EXPECT_EQ(tags->fileSystemType, card.type);
    EXPECT_EQ(tags->uuid, blkidValue(volume->loopDevice(), "UUID")) << card.label;
    EXPECT_EQ(tags->label, card.label);
  }
}

// The probe reads near the end of the device too; a fake that fails reads past its real
// size must still be seen as the exFAT volume it is.
TEST(BlockDeviceProbe, AFakeFailingReadsPastItsRealSizeIsStillExFAT) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB, .real = 64_MiB, .mode = CounterfeitCard::Mode::error,
                                     .label = "FAILING"});
  EXPECT_FALSE(testing::runCommand({"blkid", "-p", card->loopDevice()}).ok()) << "the whole-device probe fails";
  const auto tags = probeBlockDevice(card->loopDevice());
  ASSERT_TRUE(tags);
  EXPECT_EQ(tags->fileSystemType, "exfat");
  EXPECT_EQ(tags->label, "FAILING");
  EXPECT_EQ(tags->uuid.size(), 9u) << tags->uuid;
  EXPECT_EQ(VolumeStats(card->mountPoint()).fileSystem, "exfat");
}

// What an ordinary user gets, who may not open the device: runs the probe in a child
// that has dropped to the unprivileged "nobody" and returns type, UUID and label.
std::optional<std::string> probeAsNobody(const std::string& device, const BlockDeviceRecords& records) {
  int channel[2];
  if (::pipe(channel) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    const gid_t nogroup = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setresgid(nogroup, nogroup, nogroup) != 0 ||
        ::setresuid(65534, 65534, 65534) != 0) {
      ::_exit(2);
    }
    const auto tags = probeBlockDeviceWith(device, records);
    const std::string answer = tags ? tags->fileSystemType + "|" + tags->uuid + "|" + tags->label : "none";
    if (::write(channel[1], answer.data(), answer.size()) < 0) ::_exit(3);
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string answer;
  char buffer[256];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<std::size_t>(got));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return answer;
}

TEST(BlockDeviceProbe, AnOrdinaryUserGetsTheUdevRecordThenTheDiskLinksThenNothing) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::exfat, 64_MiB, "REAL");
  const std::string device = volume->loopDevice();
  testing::TemporaryFolder folder;
  fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
  const fs::path udev = fs::path(folder.path()) / "udev";
  const fs::path links = fs::path(folder.path()) / "disk";
  fs::create_directories(udev);
  fs::create_directories(links / "by-uuid");
  fs::create_directories(links / "by-label");
  fs::create_symlink(device, links / "by-uuid" / "0A0B-0C0D");
  fs::create_symlink(device, links / "by-label" / "LINKED\\x20CARD");
  struct stat status {};
  ASSERT_EQ(::stat(device.c_str(), &status), 0);
  ASSERT_EQ(status.st_mode & S_IROTH, 0u) << "the device is readable by everyone; nothing to test";
  std::ofstream(udev / ("b" + std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev))))
      << "S:disk/by-uuid/1234-ABCD\nE:ID_FS_TYPE=exfat\nE:ID_FS_UUID=1234-ABCD\nE:ID_FS_LABEL=My_Card\n"
         "E:ID_FS_LABEL_ENC=My\\x20Card\nG:systemd\n";

  EXPECT_EQ(probeAsNobody(device, {udev.string(), links.string(), "", ""}), "exfat|1234-ABCD|My Card");
  EXPECT_EQ(probeAsNobody(device, {(udev / "elsewhere").string(), links.string(), "", ""}), "|0A0B-0C0D|LINKED CARD");
  EXPECT_EQ(probeAsNobody(device, {(udev / "elsewhere").string(), (links / "elsewhere").string(), "", ""}), "none");
  // Where the device can be read, it is the device that answers, not a stale record.
  const auto asRoot = probeBlockDeviceWith(device, {udev.string(), links.string(), ""});
  ASSERT_TRUE(asRoot);
  EXPECT_EQ(asRoot->label, "REAL");
}

// An exFAT card served by exfat-fuse, seen by a user who may not open it, on a system that
// keeps no record of it (no udev database, no links): the mount table says "fuseblk", and
// the driver serving the device is what still names exFAT, with the links' UUID kept.
TEST(BlockDeviceProbe, AnOrdinaryUserWithoutRecordsLearnsTheFormatFromTheFuseDriver) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::exfat, 64_MiB, "FUSED");
  const std::string device = volume->loopDevice();
  testing::TemporaryFolder folder;
  fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  const fs::path links = fs::path(folder.path()) / "disk";
  fs::create_directories(links / "by-uuid");
  fs::create_symlink(device, links / "by-uuid" / "0A0B-0C0D");
  const std::string nowhere = (fs::path(folder.path()) / "nowhere").string();

  EXPECT_EQ(probeAsNobody(device, {nowhere, nowhere, "", "/proc"}), "exfat||");
  EXPECT_EQ(probeAsNobody(device, {nowhere, links.string(), "", "/proc"}), "exfat|0A0B-0C0D|");
  EXPECT_EQ(probeAsNobody(device, {nowhere, nowhere, "", ""}), "none") << "nothing else names it";
  // What the scanner and the session read for the volume's file system, mounted for that
  // user as a desktop mounts it.
  ASSERT_TRUE(volume->mountFor(65534, 65534));
  const std::string mountPoint = volume->mountPoint();
  int channel[2];
  ASSERT_EQ(::pipe(channel), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) {
      ::_exit(2);
    }
    std::string type;
    try {
      type = VolumeStats(mountPoint).fileSystem;
    } catch (const std::exception& error) {
      type = error.what();
    }
    ::_exit(::write(channel[1], type.data(), type.size()) < 0 ? 3 : 0);
  }
  ::close(channel[1]);
  char buffer[64];
  const ssize_t got = ::read(channel[0], buffer, sizeof buffer);
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "exfat");
}

// A process that ends while its command line is read fails the read (ESRCH); a folder in
// a command line's place fails it the same way (EISDIR). Such a process drives nothing,
// and the look-up goes on instead of failing the scan or the check that asked.
TEST(BlockDeviceProbe, ACommandLineThatCannotBeReadIsNoDriverAndEndsNothing) {
  testing::TemporaryFolder proc;
  const fs::path ended = fs::path(proc.path()) / "100";
  fs::create_directories(ended / "cmdline");
  const fs::path driver = fs::path(proc.path()) / "200";
  fs::create_directories(driver);
  std::ofstream(driver / "cmdline", std::ios::binary) << std::string("mount.exfat-fuse\0/dev/loop9\0/media/x\0", 37);

  std::optional<std::string> served;
  ASSERT_NO_THROW(served = fuseServedFileSystem("/dev/loop9", proc.path()));
  EXPECT_EQ(served, "exfat");
  ASSERT_NO_THROW(served = fuseServedFileSystem("/dev/loop8", proc.path()));
  EXPECT_EQ(served, std::nullopt);
}

TEST(BlockDeviceProbe, FuseDriversAreKnownByTheirProgramNames) {
  const struct {
    const char* program;
    std::optional<std::string> format;
  } cases[] = {{"/sbin/mount.exfat-fuse", "exfat"}, {"exfat-fuse", "exfat"},  {"/usr/bin/ntfs-3g", "ntfs"},
               {"mount.ntfs-3g", "ntfs"},           {"lowntfs-3g", "ntfs"},   {"/usr/bin/sshfs", std::nullopt},
               {"fuse2fs", std::nullopt},           {"", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(fileSystemOfFuseProgram(c.program), c.format) << c.program;
}

}  // namespace
}  // namespace tessorin
