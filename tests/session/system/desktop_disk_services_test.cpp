// The disk services a test group starts for itself stay within the group: the rest of the
// machine (other tests, which run without udev) sees no udev database, no links, no
// changed device nodes, and udev leaves their devices alone.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "DesktopDiskServices.hpp"
#include "LoopVolume.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::runCommand;

std::string trimmed(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

// A loop device over an exFAT image in folder, detached at the end. The image is
// formatted before it is attached: udev probes a device when it appears, and a format
// written while that probe runs may end before udev watches for it.
struct LoopImage {
  std::string image;
  std::string node;
  LoopImage(const std::string& folder, const std::string& label) : image(folder + "/" + label + ".img") {
    std::ofstream(image).close();
    fs::resize_file(image, 32_MiB);
    testing::runChecked({"/usr/sbin/mkfs.exfat", "-L", label, image});
    node = trimmed(testing::runChecked({"/usr/sbin/losetup", "--find", "--show", image}));
  }
  ~LoopImage() { testing::detachLoopDevice(node, image); }
};

std::string ownerAndMode(const std::string& node) {
  struct stat status {};
  if (::stat(node.c_str(), &status) != 0) return "missing";
  std::ostringstream text;
  text << status.st_uid << ":" << status.st_gid << " " << std::oct << (status.st_mode & 07777);
  return text.str();
}

std::vector<std::string> entriesOf(const std::string& folder) {
  std::vector<std::string> entries;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_directory()) entries.push_back(it->path().string());
  }
  return entries;
}

bool sendLine(int fd, const std::string& line) {
  const std::string text = line + "\n";
  return ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

std::string readLine(int fd) {
  std::string line;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

TEST(DesktopDiskServices, UdevProbesOnlyItsGroupsCardsAndLeavesNothingOutside) {
  TESSORIN_REQUIRE_VOLUMES();
  if (const std::string why = testing::DesktopDiskServices::unavailableReason(); !why.empty()) {
    const char* ci = std::getenv("CI");
    if (ci && std::string(ci) == "true") FAIL() << why;
    GTEST_SKIP() << why;
  }
  const bool runUdevBefore = fs::exists("/run/udev");
  testing::TemporaryFolder outside;
  LoopImage outsider(outside.path(), "OUTSIDER");
  const std::string outsiderMode = ownerAndMode(outsider.node);

  int toChild[2];
  int fromChild[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(fromChild), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The group: its services, its own card, and what its udev made of both devices.
    int status = 1;
    try {
      auto services = testing::DesktopDiskServices::start();
      {
        LoopImage own(services->folder(), "OWNCARD");
        runCommand({"udevadm", "settle"});
        sendLine(fromChild[1], own.node);
        readLine(toChild[0]);  // the outsider has changed meanwhile
        runCommand({"udevadm", "settle"});
        sendLine(fromChild[1], trimmed(runCommand({"udevadm", "info", "--query=property", "--property=ID_FS_LABEL",
                                                  "--value", own.node}).output));
        sendLine(fromChild[1], trimmed(runCommand({"udevadm", "info", "--query=property", "--property=ID_FS_LABEL",
                                                  "--value", outsider.node}).output));
        readLine(toChild[0]);  // looked at from outside
      }
      status = 0;
    } catch (const std::exception& error) {
      sendLine(fromChild[1], std::string("failed: ") + error.what());
    }
    ::_exit(status);
  }

  const std::string ownNode = readLine(fromChild[0]);
  ASSERT_EQ(ownNode.rfind("/dev/loop", 0), 0u) << ownNode;
  std::ofstream(fs::path("/sys/block") / fs::path(outsider.node).filename() / "uevent") << "change";
  sendLine(toChild[1], "changed");
  EXPECT_EQ(readLine(fromChild[0]), "OWNCARD") << "the group's own card is probed";
  EXPECT_EQ(readLine(fromChild[0]), "") << "another test's device is left alone";
  // Seen from outside while the services run.
  EXPECT_EQ(fs::exists("/run/udev"), runUdevBefore) << "udev's database is the group's own";
  EXPECT_FALSE(fs::exists("/dev/disk/by-label/OWNCARD"));
  EXPECT_EQ(ownerAndMode(ownNode), "0:0 600") << "the group's card keeps the kernel's owner and mode";
  EXPECT_EQ(ownerAndMode(outsider.node), outsiderMode);
  sendLine(toChild[1], "seen");

  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(toChild[0]);
  ::close(toChild[1]);
  ::close(fromChild[0]);
  ::close(fromChild[1]);
  for (const char* folder : {"/dev/disk", "/dev/block", "/dev/char"}) {
    EXPECT_EQ(entriesOf(folder), std::vector<std::string>{}) << folder;
  }
  EXPECT_EQ(fs::exists("/run/udev"), runUdevBefore);
}

}  // namespace
}  // namespace tessorin
