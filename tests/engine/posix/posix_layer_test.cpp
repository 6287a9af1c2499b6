#include <gtest/gtest.h>

#include <cstring>

#include "tessorin/posix/AlignedBuffer.hpp"
#include "tessorin/posix/MountTable.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/PowerOfTwo.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {
namespace {

TEST(PosixError, DescribesCallPathAndSystemMessage) {
  try {
    VolumeStats stats("/no/such/volume");
    FAIL() << "statfs of a missing path succeeded";
  } catch (const PosixError& error) {
    EXPECT_EQ(error.operation(), "statfs");
    EXPECT_EQ(error.path(), "/no/such/volume");
    EXPECT_EQ(error.code(), ENOENT);
    EXPECT_EQ(error.description(), "statfs(/no/such/volume): " + std::string(std::strerror(ENOENT)));
  }
}

TEST(PosixError, OnlyDeviceLossCodesMeanTheCardIsGone) {
  for (int code : {EIO, ENXIO, ENODEV, ENOTCONN, ENOMEDIUM}) EXPECT_TRUE(PosixError("read", "/x", code).isDeviceGone()) << code;
  for (int code : {0, EPERM, ENOENT, EINTR, EBADF, EACCES, EINVAL, ENOSPC, EROFS, EDQUOT})
    EXPECT_FALSE(PosixError("read", "/x", code).isDeviceGone()) << code;
  EXPECT_TRUE(PosixError("write", "/x", ENOSPC).isDiskFull());
  EXPECT_TRUE(PosixError("write", "/x", EDQUOT).isDiskFull());
  EXPECT_FALSE(PosixError("write", "/x", EIO).isDiskFull());
}

TEST(NextPowerOfTwo, RoundsUpToThePowerNotBelow) {
  const std::pair<std::uint64_t, std::uint64_t> cases[] = {{0, 1}, {1, 1}, {2, 2}, {3, 4}, {4, 4}, {5, 8},
                                                           {(1ULL << 40) + 1, 1ULL << 41}};
  for (auto [n, expected] : cases) EXPECT_EQ(nextPowerOfTwo(n), expected) << n;
}

TEST(AlignedBuffer, IsPageAlignedAndMovable) {
  AlignedBuffer buffer(1 << 20);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.pointer()) % 4096, 0u);
  AlignedBuffer moved(std::move(buffer));
  EXPECT_EQ(moved.count(), 1 << 20);
  EXPECT_EQ(buffer.pointer(), nullptr);
}

TEST(VolumeStats, UsedBytesNeverGoesBelowZero) {
  EXPECT_EQ(VolumeStats("exfat", 4096, 100, 200, "/dev/x").usedBytes(), 0u);
  EXPECT_EQ(VolumeStats("exfat", 4096, 300, 200, "/dev/x").usedBytes(), 100u);
}

TEST(VolumeStats, FileSystemNamesAreNormalised) {
  struct Case {
    const char* mount;
    const char* device;
    const char* expected;
  };
  const Case cases[] = {{"vfat", "", "msdos"},        {"msdos", "", "msdos"},     {"exfat", "", "exfat"},
                        {"fuseblk", "exfat", "exfat"}, {"fuseblk", "vfat", "msdos"}, {"fuseblk", "ntfs", "ntfs"},
                        {"fuse.exfat", "", "exfat"},  {"ext4", "", "ext4"},       {"ntfs3", "", "ntfs3"}};
  for (const auto& c : cases) EXPECT_EQ(normalisedFileSystemName(c.mount, c.device), c.expected) << c.mount;
}

TEST(MountTable, ParsesOptionalFieldsAndEscapes) {
  const auto table = MountTable::parse(
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "95 22 7:3 / /media/u/MY\\040CARD rw,nosuid shared:50 master:3 - fuseblk /dev/loop3 rw,user_id=0\n"
      "96 22 0:47 / /run/user/1000 rw - tmpfs tmpfs rw,size=1024k\n"
      "garbage line\n");
  ASSERT_EQ(table.entries().size(), 3u);
  const auto& card = table.entries()[1];
  EXPECT_EQ(card.mountPoint, "/media/u/MY CARD");
  EXPECT_EQ(card.fileSystemType, "fuseblk");
  EXPECT_EQ(card.source, "/dev/loop3");
  EXPECT_TRUE(card.readsThroughDeviceCache());
  EXPECT_FALSE(table.entries()[2].sourceIsDeviceNode());
}

TEST(MountTable, FindsTheLongestMountHoldingAPath) {
  const auto table = MountTable::parse(
      "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "2 1 8:17 / /media/card rw - vfat /dev/sdb1 rw\n"
      "3 1 8:33 / /media/cards rw - vfat /dev/sdc1 rw\n");
  EXPECT_EQ(table.mountContaining("/media/card/DCIM/x.jpg")->source, "/dev/sdb1");
  EXPECT_EQ(table.mountContaining("/media/cards")->source, "/dev/sdc1");
  EXPECT_EQ(table.mountContaining("/media/cardboard")->source, "/dev/sda1");
}

TEST(MountTable, UnescapesOnlyWellFormedOctalEscapes) {
  EXPECT_EQ(unescapeMountField("a\\040b\\011c\\134d"), "a b\tc\\d");
  EXPECT_EQ(unescapeMountField("trailing\\04"), "trailing\\04");
  EXPECT_EQ(unescapeMountField("not\\999octal"), "not\\999octal");
}

}  // namespace
}  // namespace tessorin
