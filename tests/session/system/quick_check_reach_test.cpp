#include "session/system/QuickCheckReach.hpp"

#include <gtest/gtest.h>

namespace tessorin {
namespace {

using Reach = QuickCheckReach;

VolumeStats volumeOf(const std::string& fileSystem, const std::string& mountType) {
  VolumeStats volume("", 4096, 8'000'000'000, 8'000'000'000, "/dev/sdz1");
  volume.fileSystem = fileSystem;
  volume.mountType = mountType;
  return volume;
}

TEST(QuickCheckReach, OnlyTheKernelsOwnExFATDriverFromLinux68ReservesWithoutWriting) {
  const HostSystem debian12 = HostSystem::withRelease("6.1.0-18-amd64", true);
  const HostSystem linux67 = HostSystem::withRelease("6.7.12", true);
  const HostSystem linux68 = HostSystem::withRelease("6.8.0-31-generic", true);
  const HostSystem linux7 = HostSystem::withRelease("7.0.1", true);
  const HostSystem noKernelExFAT = HostSystem::withRelease("6.18.44-fc-v1300", false);
  const struct {
    const char* fileSystem;
    const char* mountType;
    HostSystem host;
    Reach reach;
  } cases[] = {
      {"exfat", "exfat", linux68, Reach::runs},
      {"exfat", "exfat", linux7, Reach::runs},
      {"exfat", "exfat", linux67, Reach::driverWritesReservedSpace},
      {"exfat", "exfat", debian12, Reach::driverWritesReservedSpace},
      {"exfat", "fuseblk", linux68, Reach::driverWritesReservedSpace},  // exfat-fuse, whatever the kernel
      {"exfat", "fuse.exfat", linux7, Reach::driverWritesReservedSpace},
      {"exfat", "fuseblk", noKernelExFAT, Reach::driverWritesReservedSpace},
      {"exfat", "", linux68, Reach::runs},  // driver unknown: as this kernel would mount it
      {"exfat", "", noKernelExFAT, Reach::driverWritesReservedSpace},
      {"msdos", "vfat", linux68, Reach::notExFAT},
      {"ext4", "ext4", linux68, Reach::notExFAT},
      {"EXFAT", "exfat", linux68, Reach::notExFAT},  // the name as the volume reports it, exactly
  };
  for (const auto& c : cases) {
    EXPECT_EQ(quickCheckReach(volumeOf(c.fileSystem, c.mountType), c.host), c.reach)
        << c.fileSystem << " through " << c.mountType << " on " << c.host.kernelMajor << "." << c.host.kernelMinor;
  }
}

TEST(QuickCheckReach, SwitchingToExFATHelpsOnlyWhereTheKernelMountsItItselfFrom68On) {
  EXPECT_TRUE(exFATWouldGiveQuickCheck(HostSystem::withRelease("6.8.0", true)));
  EXPECT_FALSE(exFATWouldGiveQuickCheck(HostSystem::withRelease("6.8.0", false))) << "exfat-fuse would mount it";
  EXPECT_FALSE(exFATWouldGiveQuickCheck(HostSystem::withRelease("6.1.0-18-amd64", true)));
}

TEST(QuickCheckReach, KernelReleasesReadTheirFirstTwoNumbers) {
  const struct {
    const char* release;
    int major, minor;
  } cases[] = {
      {"6.1.0-18-amd64", 6, 1}, {"6.18.44-fc-v1300", 6, 18}, {"10.0", 10, 0}, {"6", 0, 0}, {"", 0, 0}, {"x.y", 0, 0},
  };
  for (const auto& c : cases) {
    const HostSystem host = HostSystem::withRelease(c.release, false);
    EXPECT_EQ(host.kernelMajor, c.major) << c.release;
    EXPECT_EQ(host.kernelMinor, c.minor) << c.release;
  }
}

}  // namespace
}  // namespace tessorin
