#include "session/system/CardEjector.hpp"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "LoopVolume.hpp"
#include "tessorin/posix/BlockDeviceProbe.hpp"
#include "tessorin/posix/MountTable.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::runCommand;

// An exFAT disk image on a loop device, mounted where the test says, all undone at the end.
class MountedImage {
 public:
  MountedImage(const testing::TemporaryFolder& folder, const std::string& name, const fs::path& mountPoint)
      : mountPoint_(mountPoint) {
    const std::string image = folder.path() + "/" + name + ".img";
    std::ofstream(image).close();
    fs::resize_file(image, 32_MiB);
    std::string loop = runCommand({"/usr/sbin/losetup", "--find", "--show", image}).output;
    while (!loop.empty() && std::isspace(static_cast<unsigned char>(loop.back()))) loop.pop_back();
    loop_ = loop;
    runCommand({"/usr/sbin/mkfs.exfat", loop_});
    fs::create_directories(mountPoint_);
    runCommand({"/usr/sbin/mount.exfat-fuse", loop_, mountPoint_.string()});
  }
  ~MountedImage() {
    runCommand({"/usr/bin/umount", mountPoint_.string()});
    runCommand({"/usr/sbin/losetup", "-d", loop_});
  }
  const std::string& loop() const { return loop_; }
  const fs::path& mountPoint() const { return mountPoint_; }

 private:
  fs::path mountPoint_;
  std::string loop_;
};

bool isMountedAt(const fs::path& point, const std::string& source) {
  const MountTable table = MountTable::read();
  return std::any_of(table.entries().begin(), table.entries().end(), [&](const MountEntry& entry) {
    return entry.mountPoint == point.string() && entry.source == source;
  });
}

// lsblk gives a mount point that holds a line break as two: the ejector must neither
// unmount the other disk mounted where the first half points nor leave the card mounted.
TEST(CardEjector, AMountPointWithALineBreakUnmountsTheCardAndNothingElse) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::TemporaryFolder folder;
  MountedImage other(folder, "other", fs::path(folder.path()) / "A");
  MountedImage card(folder, "card", fs::path(folder.path()) / "A\nB");
  ASSERT_TRUE(isMountedAt(other.mountPoint(), other.loop()));
  ASSERT_TRUE(isMountedAt(card.mountPoint(), card.loop()));

  ExpectedCard expected;
  expected.volume = card.mountPoint();
  expected.deviceNode = card.loop();
  expected.uuid = "0000-0000";
  EXPECT_TRUE(CardEjector::eject(expected)) << "a card with another file system was ejected";
  EXPECT_TRUE(isMountedAt(card.mountPoint(), card.loop()));

  expected.uuid = probeBlockDevice(card.loop())->uuid;
  const std::optional<std::string> failure = CardEjector::eject(expected);
  EXPECT_FALSE(failure) << *failure;
  EXPECT_FALSE(isMountedAt(card.mountPoint(), card.loop()));
  EXPECT_TRUE(isMountedAt(other.mountPoint(), other.loop())) << "the other disk was unmounted";
}

}  // namespace
}  // namespace tessorin
