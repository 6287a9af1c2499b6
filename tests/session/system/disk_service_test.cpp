// Erasing, unmounting and ejecting cards through the real disk service (udisksd, with
// udevd probing every change of the cards as on a desktop), started for these tests
// alone in a mount namespace of their own.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "DesktopDiskServices.hpp"
#include "LoopVolume.hpp"
#include "session/system/CardEjector.hpp"
#include "session/system/CardFormatter.hpp"
#include "session/system/UDisks2.hpp"
#include "tessorin/posix/BlockDeviceProbe.hpp"
#include "tessorin/posix/MountTable.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace testing::literals;
using testing::runCommand;

std::string trimmed(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

std::string mountedFrom(const std::string& point) {
  std::string source;
  const MountTable table = MountTable::read();
  for (const MountEntry& entry : table.entries()) {
    if (entry.mountPoint == point) source = entry.source;
  }
  return source;
}

// Where the disk or one of its partitions is mounted.
std::vector<std::string> mountPointsOf(const std::string& node) {
  std::vector<std::string> points;
  const MountTable table = MountTable::read();
  for (const MountEntry& entry : table.entries()) {
    if (entry.source == node || entry.source.rfind(node + "p", 0) == 0) points.push_back(entry.mountPoint);
  }
  return points;
}

// A card as a user's reader shows it: a disk image on a loop device that lists its
// partitions, formatted exFAT over the whole disk (as many fakes come) and mounted
// through FUSE. Whatever is mounted from it is unmounted at the end, then it is detached.
class LoopCard {
 public:
  explicit LoopCard(const std::string& label) {
    std::ofstream(image_).close();
    fs::resize_file(image_, 64_MiB);
    // Formatted before it is attached: udev probes the device when it appears, and a
    // format written while that probe runs may end before udev watches for it.
    testing::runChecked({"/usr/sbin/mkfs.exfat", "-L", label, image_});
    node_ = trimmed(testing::runChecked({"/usr/sbin/losetup", "--find", "--show", "--partscan", image_}));
    mountPoint_ = folder_.path() + "/" + label;
    fs::create_directory(mountPoint_);
    testing::runChecked({"/usr/sbin/mount.exfat-fuse", node_, mountPoint_});
  }
  ~LoopCard() {
    for (const std::string& point : mountPointsOf(node_)) runCommand({"/usr/bin/umount", point});
    testing::detachLoopDevice(node_, image_);
  }
  LoopCard(const LoopCard&) = delete;
  LoopCard& operator=(const LoopCard&) = delete;

  const std::string& node() const { return node_; }
  const std::string& mountPoint() const { return mountPoint_; }
  std::string partition() const { return node_ + "p1"; }
  bool attached() const {
    return fs::exists("/sys/block/" + node_.substr(5) + "/loop/backing_file");
  }

  // The card as the session knows it while mounted where it says.
  ExpectedCard expected(const std::string& volume, const std::string& node) const {
    ExpectedCard card;
    card.volume = volume;
    card.deviceNode = node;
    card.wholeDiskName = node_.substr(5);
    card.mediaBytes = 64_MiB;
    card.uuid = probeBlockDevice(node)->uuid;
    return card;
  }

 private:
  testing::TemporaryFolder folder_;
  std::string image_ = folder_.path() + "/card.img";
  std::string node_;
  std::string mountPoint_;
};

class ThroughTheDiskService : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::volumesUnavailableReason().empty()) return;
    whyNot = testing::DesktopDiskServices::unavailableReason();
    if (!whyNot.empty()) return;
    try {
      services = testing::DesktopDiskServices::start().release();
    } catch (const std::exception& error) {
      whyNot = error.what();
    }
  }
  static void TearDownTestSuite() {
    delete services;
    services = nullptr;
  }
  void SetUp() override {
    TESSORIN_REQUIRE_VOLUMES();
    if (services == nullptr) {
      const char* ci = std::getenv("CI");
      if (ci && std::string(ci) == "true") FAIL() << "CI must run the disk service's tests: " << whyNot;
      GTEST_SKIP() << "no disk service: " << whyNot;
    }
    ASSERT_TRUE(UDisks2::isAvailable());
  }
  void TearDown() override {
    if (HasFailure() && services != nullptr) std::fprintf(stderr, "udisksd said:\n%s\n", services->serviceLog().c_str());
  }

  static inline testing::DesktopDiskServices* services = nullptr;
  static inline std::string whyNot;
};

std::string serviceSays(const std::string& node, const std::string& property) {
  const std::string info = runCommand({"udisksctl", "info", "-b", node}).output;
  const std::size_t at = info.find(" " + property + ":");
  if (at == std::string::npos) return {};
  const std::size_t start = info.find_first_not_of(' ', at + property.size() + 2);
  return info.substr(start, info.find('\n', start) - start);
}

// What the service says once it has caught up with udev, which tells it after the fact.
std::string serviceComesToSay(const std::string& node, const std::string& property, const std::string& expected) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  std::string said = serviceSays(node, property);
  while (said != expected && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(100ms);
    said = serviceSays(node, property);
  }
  return said;
}

TEST_F(ThroughTheDiskService, AnErasedCardHoldsOneExFATPartitionOfType7UnderItsNewNameMountedAgainEachTime) {
  LoopCard card("OLDNAME");
  // First a card formatted over the whole disk, then the card as the first erase left it.
  ExpectedCard expected = card.expected(card.mountPoint(), card.node());
  for (const std::string name : {"FIRST", "SECOND"}) {
    SCOPED_TRACE(name);
    std::string mountedAt;
    try {
      mountedAt = CardFormatter::erase(expected, QString::fromStdString(name), {});
    } catch (const std::exception& error) {
      FAIL() << error.what();
    }
    const std::string table = runCommand({"/usr/sbin/sfdisk", "--dump", card.node()}).output;
    EXPECT_NE(table.find("label: dos"), std::string::npos) << table;
    EXPECT_NE(table.find(card.partition() + " : start=        2048, size=      129024, type=7"), std::string::npos)
        << table;
    EXPECT_EQ(table.find(card.node() + "p2"), std::string::npos) << table;
    EXPECT_EQ(runCommand({"/usr/sbin/blkid", "-p", "-o", "value", "-s", "TYPE", card.partition()}).output, "exfat\n");
    EXPECT_EQ(runCommand({"/usr/sbin/blkid", "-p", "-o", "value", "-s", "LABEL", card.partition()}).output,
              name + "\n");
    ASSERT_FALSE(mountedAt.empty()) << "the erased card was not mounted again";
    EXPECT_EQ(mountedFrom(mountedAt), card.partition());
    EXPECT_EQ(mountPointsOf(card.node()), std::vector<std::string>{mountedAt}) << "the old mount is gone";
    // The desktop sees the new volume as it is.
    EXPECT_EQ(serviceComesToSay(card.partition(), "IdLabel", name), name);
    expected = card.expected(mountedAt, card.partition());
  }
}

TEST_F(ThroughTheDiskService, EjectingUnmountsTheCardAndLeavesTheImageAttachedToBeMountedAgain) {
  LoopCard card("EJECTME");
  const std::optional<std::string> failure = CardEjector::eject(card.expected(card.mountPoint(), card.node()));
  EXPECT_FALSE(failure) << *failure;
  EXPECT_TRUE(mountPointsOf(card.node()).empty());
  EXPECT_TRUE(card.attached()) << "a disk image has no medium: ejecting it is unmounting it, never detaching it";
  EXPECT_TRUE(runCommand({"/usr/sbin/mount.exfat-fuse", card.node(), card.mountPoint()}).ok())
      << "put back in, the card mounts again";
}

TEST_F(ThroughTheDiskService, AFileSystemBusyForAMomentIsUnmountedOnceItIsLetGoAndOneKeptBusyIsNot) {
  const struct {
    const char* holder;
    std::chrono::milliseconds heldFor;
    bool unmounted;
  } cases[] = {
      {"a thumbnailer that looks for a second", 1s, true},
      {"a program that keeps a file open", 1h, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.holder);
    LoopCard card("BUSY");
    const int file = ::open((card.mountPoint() + "/held").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    std::atomic<bool> letGo = false;
    std::thread holder([&] {
      const auto until = std::chrono::steady_clock::now() + c.heldFor;
      while (std::chrono::steady_clock::now() < until && !letGo) std::this_thread::sleep_for(20ms);
      ::close(file);
    });
    const auto started = std::chrono::steady_clock::now();
    const std::optional<std::string> failure = UDisks2::unmount(card.node());
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(!failure, c.unmounted) << failure.value_or("unmounted");
    EXPECT_EQ(mountPointsOf(card.node()).empty(), c.unmounted);
    if (c.unmounted) {
      EXPECT_GE(took, c.heldFor - 100ms) << "unmounted while the file was open";
    } else if (failure) {
      EXPECT_NE(failure->find("busy"), std::string::npos) << *failure;
    }
    letGo = true;
    holder.join();
  }
}

TEST_F(ThroughTheDiskService, ADeviceTheServiceDoesNotKnowIsNamedInTheFailure) {
  const std::optional<std::string> failure = UDisks2::unmount("/dev/no-such-card");
  ASSERT_TRUE(failure);
  EXPECT_NE(failure->find("/dev/no-such-card"), std::string::npos) << *failure;
}

}  // namespace
}  // namespace tessorin
