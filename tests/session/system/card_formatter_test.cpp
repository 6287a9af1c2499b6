#include "session/system/CardFormatter.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "LoopVolume.hpp"
#include "session/system/SystemTool.hpp"
#include "tessorin/posix/BlockDeviceProbe.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::runCommand;
using Kind = CardFormatter::Failure::Kind;

TEST(CardFormatter, NamesLoseSeparatorsAndControlsFitElevenUnitsWholeAndNeverEndEmpty) {
  const struct {
    QString typed;
    QString used;
  } cases[] = {
      {QStringLiteral("MY/CARD:2024X"), QStringLiteral("MYCARD2024X")},  // removed before the cut
      {QStringLiteral("ABCDEFGHIJ KL"), QStringLiteral("ABCDEFGHIJ")},   // cut, then the space trimmed
      {QStringLiteral("/:/:"), QStringLiteral("CARD")},
      {QStringLiteral("   \t "), QStringLiteral("CARD")},
      {QStringLiteral("A\nB\u0007C"), QStringLiteral("ABC")},
      {QStringLiteral("ABCDEFGHIJ\U0001F600"), QStringLiteral("ABCDEFGHIJ")},  // no half of a pair
      {QStringLiteral("ABCDEFGHI\U0001F600"), QStringLiteral("ABCDEFGHI\U0001F600")},
      {QStringLiteral("  Photos  "), QStringLiteral("Photos")},
  };
  for (const auto& c : cases) EXPECT_EQ(CardFormatter::sanitize(c.typed), c.used) << c.typed.toStdString();
}

// A machine with a system disk vda and whatever else a test plugs in.
struct Machine {
  std::string lsblk;
  std::string mountinfo;
  std::vector<std::string> swaps;
  std::set<std::string> emmc;

  CardFormatter::Facts facts() const {
    return {*BlockDevices::parse(lsblk), MountTable::parse(mountinfo), swaps,
            [emmc = emmc](const std::string& disk) { return emmc.count(disk) > 0; }};
  }
};

std::string disk(const std::string& name, const std::string& extra, const std::string& children = "") {
  return R"({"name":")" + name + R"(","path":"/dev/)" + name + R"(","type":"disk",)" + extra +
         (children.empty() ? "" : R"(,"children":[)" + children + "]") + "}";
}
std::string part(const std::string& name, const std::string& parent, const std::string& mount = "") {
  return R"({"name":")" + name + R"(","path":"/dev/)" + name + R"(","pkname":")" + parent +
         R"(","type":"part","mountpoints":[)" + (mount.empty() ? "null" : "\"" + mount + "\"") + "]}";
}
std::string mountLine(int id, const std::string& point, const std::string& type, const std::string& source) {
  return std::to_string(id) + " 1 8:1 / " + point + " rw - " + type + " " + source + " rw\n";
}

Machine typicalMachine() {
  Machine machine;
  machine.lsblk = R"({"blockdevices":[)" + disk("vda", R"("rm":false,"hotplug":false,"tran":null)") + "," +
                  disk("sdb", R"("rm":true,"hotplug":true,"tran":"usb","size":64000000000)", part("sdb1", "sdb", "/media/CARD")) + "," +
                  disk("sda", R"("rm":false,"hotplug":false,"tran":"sata")", part("sda1", "sda", "/mnt/data")) + "," +
                  disk("mmcblk0", R"("rm":false,"hotplug":false,"tran":"mmc")",
                       part("mmcblk0p1", "mmcblk0", "/media/EMMC")) +
                  "]}";
  machine.mountinfo = mountLine(1, "/", "ext4", "/dev/vda") + mountLine(2, "/media/CARD", "exfat", "/dev/sdb1") +
                      mountLine(3, "/mnt/data", "ext4", "/dev/sda1") +
                      mountLine(4, "/media/EMMC", "vfat", "/dev/mmcblk0p1");
  machine.emmc = {"mmcblk0"};
  return machine;
}

ExpectedCard cardAt(const std::string& volume, const std::string& node) {
  ExpectedCard card;
  card.volume = volume;
  card.deviceNode = node;
  return card;
}
const ExpectedCard theCard = cardAt("/media/CARD", "/dev/sdb1");

Kind refusal(const Machine& machine, const ExpectedCard& card, const std::set<std::string>& busy = {}) {
  try {
    CardFormatter::checkedWholeDisk(card, busy, machine.facts());
  } catch (const CardFormatter::Failure& failure) {
    return failure.kind();
  }
  ADD_FAILURE() << card.volume << " was not refused";
  return Kind::failed;
}

TEST(CardFormatter, OnlyARemovableCardThatIsNotBusyMayBeErased) {
  const Machine machine = typicalMachine();
  EXPECT_EQ(CardFormatter::checkedWholeDisk(theCard, {}, machine.facts()), "sdb");
  EXPECT_EQ(refusal(machine, theCard, {"sdb"}), Kind::busy);
  EXPECT_EQ(refusal(machine, cardAt("/", "/dev/vda")), Kind::notRemovable);
  EXPECT_EQ(refusal(machine, cardAt("/mnt/data", "/dev/sda1")), Kind::notRemovable) << "internal fixed disk";
  EXPECT_EQ(refusal(machine, cardAt("/media/EMMC", "/dev/mmcblk0p1")), Kind::notRemovable) << "eMMC on the board";
}

TEST(CardFormatter, APulledOrSwappedCardIsNotMistakenForTheDiskNowAtItsPlace) {
  const Machine machine = typicalMachine();
  EXPECT_EQ(refusal(machine, cardAt("/nowhere/mounted", "/dev/sdc1")), Kind::notFound) << "/ encloses the folder";
  EXPECT_EQ(refusal(machine, cardAt("/media/CARD/INNER", "/dev/sdc1")), Kind::notFound)
      << "another card encloses the folder";
  EXPECT_EQ(refusal(machine, cardAt("/media/CARD", "/dev/sdc1")), Kind::notFound) << "another node at the same path";
  EXPECT_EQ(refusal(machine, cardAt("/media/CARD", "")), Kind::notFound) << "a node not known is not assumed";

  ExpectedCard smaller = theCard;
  smaller.wholeDiskName = "sdb";
  smaller.mediaBytes = 32000000000;
  EXPECT_EQ(refusal(machine, smaller), Kind::notFound) << "same reader, a card of another size";
  ExpectedCard otherDisk = theCard;
  otherDisk.wholeDiskName = "sdc";
  EXPECT_EQ(refusal(machine, otherDisk), Kind::notFound);
}

TEST(CardFormatter, WhenTheSystemDiskCannotBeTracedNothingIsErased) {
  Machine machine = typicalMachine();
  machine.mountinfo = mountLine(1, "/", "ext4", "/dev/mapper/root") + mountLine(2, "/media/CARD", "exfat", "/dev/sdb1");
  EXPECT_EQ(refusal(machine, theCard), Kind::notRemovable);

  Machine unknownSwap = typicalMachine();
  unknownSwap.swaps = {"/dev/zram9"};
  EXPECT_EQ(refusal(unknownSwap, theCard), Kind::notRemovable);
}

TEST(CardFormatter, ACardHoldingSwapOrBootIsASystemDisk) {
  Machine swapOnCard = typicalMachine();
  swapOnCard.swaps = {"/dev/sdb1"};
  EXPECT_EQ(refusal(swapOnCard, theCard), Kind::notRemovable);

  Machine bootOnCard = typicalMachine();
  bootOnCard.mountinfo += mountLine(5, "/boot", "vfat", "/dev/sdb1");
  EXPECT_EQ(refusal(bootOnCard, theCard), Kind::notRemovable);
}

TEST(CardFormatter, ErasingADiskImageLeavesOneExFATPartitionUnderTheNewName) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::TemporaryFolder folder;
  const std::string image = folder.path() + "/card.img";
  std::ofstream(image).close();
  fs::resize_file(image, 64_MiB);
  const testing::CommandResult attached = runCommand({"/usr/sbin/losetup", "--find", "--show", "--partscan", image});
  ASSERT_TRUE(attached.ok()) << attached.output;
  std::string loop = attached.output;
  while (!loop.empty() && std::isspace(static_cast<unsigned char>(loop.back()))) loop.pop_back();
  const std::string mountPoint = folder.path() + "/old";
  fs::create_directory(mountPoint);
  std::string mountedAt;
  struct Cleanup {
    std::string loop;
    const std::string* mountedAt;
    std::string mountPoint;
    ~Cleanup() {
      if (!mountedAt->empty()) {
        runCommand({"/usr/bin/umount", *mountedAt});
        std::error_code error;
        fs::remove(*mountedAt, error);
      }
      runCommand({"/usr/bin/umount", mountPoint});
      runCommand({"/usr/sbin/losetup", "-d", loop});
    }
  } cleanup{loop, &mountedAt, mountPoint};

  ASSERT_EQ(SystemTool::run("/usr/sbin/sfdisk", {"--quiet", loop}, "label: gpt\n,16M\n,\n").exitCode, 0);
  runCommand({"/usr/bin/partx", "--update", loop});
  ASSERT_TRUE(runCommand({"/usr/sbin/mkfs.exfat", "-L", "OLD", loop + "p2"}).ok());
  ASSERT_TRUE(runCommand({"/usr/sbin/mount.exfat-fuse", loop + "p2", mountPoint}).ok());

  ExpectedCard card = cardAt(mountPoint, loop + "p2");
  card.wholeDiskName = loop.substr(5);
  card.mediaBytes = 64_MiB;
  card.uuid = "0000-0000";
  try {
    CardFormatter::erase(card, QStringLiteral("NEW"), {});
    FAIL() << "a card with another file system UUID was erased";
  } catch (const CardFormatter::Failure& failure) {
    EXPECT_EQ(failure.kind(), Kind::notFound);
  }
  EXPECT_EQ(runCommand({"/usr/sbin/blkid", "-p", "-o", "value", "-s", "LABEL", loop + "p2"}).output, "OLD\n");

  card.uuid = probeBlockDevice(loop + "p2")->uuid;
  try {
    mountedAt = CardFormatter::erase(card, QStringLiteral("NEW/CARD:\x01"), {});
  } catch (const std::exception& error) {
    FAIL() << error.what();
  }
  const auto devices = BlockDevices::describe();
  ASSERT_TRUE(devices);
  const auto family = devices->family(loop.substr(5));
  ASSERT_EQ(family.size(), 2u) << "the disk and one partition";
  // Read from the partition itself: without udev, lsblk knows no labels.
  const std::string partition = family[1]->path;
  EXPECT_EQ(runCommand({"/usr/sbin/blkid", "-p", "-o", "value", "-s", "TYPE", partition}).output, "exfat\n");
  EXPECT_EQ(runCommand({"/usr/sbin/blkid", "-p", "-o", "value", "-s", "LABEL", partition}).output, "NEWCARD\n");
  EXPECT_FALSE(mountedAt.empty());
}

TEST(CardFormatter, TheErasedCardIsMountedOnAFolderOfItsOwnNeverAboveOrOverAnother) {
  testing::TemporaryFolder folder;
  const fs::path media = fs::path(folder.path()) / "media";
  EXPECT_EQ(CardFormatter::newMountPoint(media, "PHOTOS"), media / "PHOTOS");
  EXPECT_EQ(CardFormatter::newMountPoint(media, "PHOTOS"), media / "PHOTOS 2") << "the first is taken";
  fs::create_directory(media / "OTHER");
  std::ofstream(media / "OTHER" / "file") << "someone's";
  EXPECT_EQ(CardFormatter::newMountPoint(media, "OTHER"), media / "OTHER 2");
  for (const std::string label : {"..", ".", ""}) {
    const fs::path made = CardFormatter::newMountPoint(media, label);
    EXPECT_EQ(made.parent_path(), media) << "'" << label << "'";
    EXPECT_TRUE(fs::is_directory(made) && fs::is_empty(made)) << "'" << label << "'";
  }
}

TEST(CardFormatter, TheRunningSystemsOwnDiskIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "describing every disk needs root on some systems";
  try {
    std::string rootSource;
    const MountTable table = MountTable::read();
    for (const MountEntry& entry : table.entries()) {
      if (entry.mountPoint == "/") rootSource = entry.source;
    }
    CardFormatter::erase(cardAt("/", rootSource), QStringLiteral("X"), {});
    FAIL() << "the system disk was erased";
  } catch (const CardFormatter::Failure& failure) {
    EXPECT_NE(failure.kind(), Kind::failed);
  }
}

}  // namespace
}  // namespace tessorin
