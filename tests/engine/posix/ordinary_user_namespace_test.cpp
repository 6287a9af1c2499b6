// The mount namespace a test's ordinary user runs in, given the device record of its own
// card: it keeps that card's mount and holds no copy of another test's volume. Tests run
// side by side, and such a copy would keep the other volume's file system and FUSE daemon
// alive past its unmount, so that the other test's next mount joined the old file system
// instead of reading its card again.

#include <sys/stat.h>

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "DeviceHolders.hpp"
#include "LoopVolume.hpp"
#include "OrdinaryUser.hpp"
#include "tessorin/posix/MountTable.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;
using testing::FileSystemKind;
using testing::LoopVolume;
using testing::OrdinaryUser;

TEST(OrdinaryUserNamespace, KeepsItsOwnCardAndHoldsNoOtherTestsVolume) {
  TESSORIN_REQUIRE_VOLUMES();
  auto own = LoopVolume::create(FileSystemKind::exfat, 64_MiB, "OWN");
  auto other = LoopVolume::create(FileSystemKind::exfat, 64_MiB, "OTHER");
  struct stat otherDevice {};
  ASSERT_EQ(::stat(other->loopDevice().c_str(), &otherDevice), 0);

  OrdinaryUser user(
      [ownPoint = own->mountPoint(), otherNode = other->loopDevice()](OrdinaryUser::Line& line) {
        line.say("started");
        line.awaitAnswer();
        const MountTable mounts = MountTable::read();
        const auto& entries = mounts.entries();
        const bool ownKept =
            std::any_of(entries.begin(), entries.end(), [&](const MountEntry& e) { return e.mountPoint == ownPoint; });
        const bool otherHeld =
            std::any_of(entries.begin(), entries.end(), [&](const MountEntry& e) { return e.source == otherNode; });
        return std::string(ownKept ? "own kept" : "own gone") + (otherHeld ? ", other held" : ", other let go");
      },
      OrdinaryUser::DeviceRecord{own->loopDevice(), "exfat"});
  ASSERT_EQ(user.heard(), "started");

  // The other test takes its card out while the user's part runs: unmount waits for the
  // volume's daemon to let go of the device.
  ASSERT_TRUE(other->unmount());
  EXPECT_EQ(testing::otherProcessesHolding(otherDevice.st_rdev), std::vector<std::string>{})
      << "the other volume's file system lives on in the user's namespace";
  user.answer("look");
  EXPECT_EQ(user.result(), "own kept, other let go");
}

}  // namespace
}  // namespace tessorin
