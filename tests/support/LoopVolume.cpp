#include "LoopVolume.hpp"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "Command.hpp"
#include "DeviceHolders.hpp"
#include "DiskReservation.hpp"

namespace tessorin::testing {

namespace fs = std::filesystem;

std::string volumesUnavailableReason() {
  if (::geteuid() != 0) return "not running as root (loop devices and mounts need it)";
  if (::access("/dev/fuse", R_OK | W_OK) != 0) return "/dev/fuse is missing";
  if (::access("/dev/loop-control", R_OK | W_OK) != 0) return "/dev/loop-control is missing";
  for (const char* tool : {"losetup", "mkfs.exfat", "mount.exfat-fuse", "mkfs.ext4"}) {
    if (!haveTool(tool)) return std::string(tool) + " is not installed (scripts/install-deps)";
  }
  return {};
}

std::unique_ptr<LoopVolume> LoopVolume::create(FileSystemKind kind, std::uint64_t bytes, const std::string& label) {
  std::unique_ptr<LoopVolume> volume(new LoopVolume());
  volume->kind_ = kind;
  volume->folder_ = std::make_unique<TemporaryFolder>();
  const std::string image = volume->folder_->path() + "/card.img";
  volume->reservation_ = std::make_unique<DiskReservation>(image, bytes);
  volume->attachLoopDevice(image, LoopIo::buffered);
  volume->formatAndMount(label, true);
  return volume;
}

std::unique_ptr<LoopVolume> LoopVolume::onFile(const std::string& backingFile, FileSystemKind kind,
                                               const std::string& label, bool format, LoopIo io) {
  std::unique_ptr<LoopVolume> volume(new LoopVolume());
  volume->kind_ = kind;
  volume->folder_ = std::make_unique<TemporaryFolder>();
  volume->attachLoopDevice(backingFile, io);
  volume->formatAndMount(label, format);
  return volume;
}

std::unique_ptr<LoopVolume> LoopVolume::attach(const std::string& backingFile, LoopIo io) {
  std::unique_ptr<LoopVolume> volume(new LoopVolume());
  volume->attachLoopDevice(backingFile, io);
  return volume;
}

void LoopVolume::attachLoopDevice(const std::string& backingFile, LoopIo io) {
  std::vector<std::string> command{"losetup", "--find", "--show", backingFile};
  if (io == LoopIo::direct) command.insert(command.begin() + 1, "--direct-io=on");
  std::string device = runChecked(command);
  while (!device.empty() && (device.back() == '\n' || device.back() == ' ')) device.pop_back();
  loopDevice_ = device;
  backingFile_ = backingFile;
}

void LoopVolume::formatAndMount(const std::string& label, bool format) {
  mountPoint_ = folder_->path() + "/" + label;
  fs::create_directory(mountPoint_);
  if (format) {
    if (kind_ == FileSystemKind::exfat) {
      runChecked({"mkfs.exfat", "-L", label, loopDevice_});
    } else {
      // Bitmaps, inode tables and journal packed at the start of the medium, where exFAT
      // keeps its own structures too: the default layout spreads them over the claimed
      // size, and a card that wraps would overwrite them while being formatted.
      runChecked({"mkfs.ext4", "-q", "-F", "-L", label, "-E",
                  "lazy_itable_init=1,lazy_journal_init=1,packed_meta_blocks=1,nodiscard", "-m", "0", loopDevice_});
    }
  }
  if (!mount()) throw std::runtime_error("cannot mount " + loopDevice_ + " at " + mountPoint_);
}

bool LoopVolume::mount() {
  if (mounted_) return true;
  if (mountPoint_.empty()) return false;
  std::vector<std::string> exfat{"mount.exfat-fuse", loopDevice_, mountPoint_};
  if (ownerOptions_) exfat.insert(exfat.begin() + 1, {"-o", *ownerOptions_});
  const auto result = kind_ == FileSystemKind::exfat ? runCommand(exfat)
                                                     : runCommand({"mount", "-t", "ext4", loopDevice_, mountPoint_});
  mounted_ = result.ok();
  return mounted_;
}

bool LoopVolume::mountFor(uid_t uid, gid_t gid) {
  if (kind_ != FileSystemKind::exfat) throw std::logic_error("only an exFAT volume is mounted for a user");
  unmount();
  ownerOptions_ = "uid=" + std::to_string(uid) + ",gid=" + std::to_string(gid);
  // Run by root, exfat-fuse lets every user in (allow_other); the folders above the mount
  // point are the test's own, made for root alone.
  fs::permissions(folder_->path(), fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add);
  return mount();
}

bool LoopVolume::unmount() {
  if (!mounted_) return false;
  // A look at the card that is still closing its descriptor (the session's own worker, a
  // file manager, a scan) makes the mount busy for a moment; only a holder that stays is
  // one the caller must hear of.
  CommandResult result = runCommand({"umount", mountPoint_});
  for (int attempt = 0; !result.ok() && attempt < 50 && result.output.find("busy") != std::string::npos; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    result = runCommand({"umount", mountPoint_});
  }
  const bool atOnce = result.ok();
  // Something still holds a file open, or the medium is gone: detach it anyway.
  if (!atOnce) runCommand({"umount", "-l", mountPoint_});
  mounted_ = false;
  if (atOnce && kind_ == FileSystemKind::exfat) awaitDaemonLettingGo();
  if (atOnce) forgetCachedDevice();
  return atOnce;
}

// A card taken out comes back as a new device with nothing of it cached. The kernel
// forgets the loop device's cache when its last holder closes it, but a holder that
// outlives the wait above (a scan by another test, a copy of the mount in another test's
// mount namespace) would keep it, and the next mount would read what the medium refused
// from memory. Root may drop it whoever holds the device.
void LoopVolume::forgetCachedDevice() const {
  const int device = ::open(loopDevice_.c_str(), O_RDONLY | O_CLOEXEC);
  if (device < 0) return;
  ::ioctl(device, BLKFLSBUF, 0);
  ::close(device);
}

// exfat-fuse answers the unmount before it closes the loop device, and under load it can
// still hold it when the next mount opens it. The kernel drops the device's cached pages
// only when its last holder closes it; kept, they serve the next mount what the daemon
// wrote even where the medium refused it, and a card that kept its data looks as if it
// had not.
void LoopVolume::awaitDaemonLettingGo() const {
  struct stat status {};
  if (::stat(loopDevice_.c_str(), &status) != 0) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!otherProcessesHolding(status.st_rdev).empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

LoopVolume::~LoopVolume() {
  unmount();
  if (!loopDevice_.empty()) detachLoopDevice(loopDevice_, backingFile_);
}

void detachLoopDevice(const std::string& node, const std::string& backingFile) {
  const std::string boundTo = "/sys/block/" + fs::path(node).filename().string() + "/loop/backing_file";
  const auto stillOurs = [&] {
    std::ifstream file(boundTo);
    std::string bound;
    std::getline(file, bound);
    return bound == backingFile || bound == backingFile + " (deleted)";
  };
  for (int attempt = 0; attempt < 20 && stillOurs(); ++attempt) {
    if (runCommand({"losetup", "-d", node}).ok()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace tessorin::testing
