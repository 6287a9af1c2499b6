#include "session/system/CardEjector.hpp"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "session/system/BlockDevices.hpp"
#include "session/system/SystemTool.hpp"
#include "session/system/Unmount.hpp"
#include "session/system/UDisks2.hpp"
#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

std::optional<std::string> CardEjector::eject(const ExpectedCard& card) {
  // A card already pulled or unmounted leaves its folder under some other mount, often
  // the system's own: that disk must never be unmounted in its place.
  const std::optional<CardFormatter::Facts> facts = CardFormatter::Facts::system();
  if (!facts) return std::string("the computer’s disks could not be described");
  try {
    CardFormatter::checkedWholeDisk(card, {}, *facts);
  } catch (const CardFormatter::Failure& refused) {
    if (refused.kind() == CardFormatter::Failure::Kind::notFound) return std::string("the card is not mounted any more");
    return std::string("this is not a card or USB drive");
  }
  const BlockDevices* devices = &facts->devices;
  const BlockDevice* disk = devices->wholeDisk(card.deviceNode);
  if (disk == nullptr) return std::string("the card’s disk could not be found");
  const std::string diskName = disk->name;
  const std::string diskPath = disk->path;

  // Another card put into the same reader since the check has the same node.
  if (!CardFormatter::stillHoldsFileSystem(card)) return std::string("another card is in the reader now");

  if (UDisks2::isAvailable()) {
    for (const BlockDevice* member : devices->family(diskName)) {
      const bool mounted = std::any_of(facts->mounts.entries().begin(), facts->mounts.entries().end(),
                                       [member](const MountEntry& entry) { return entry.source == member->path; });
      if (!mounted) continue;
      if (auto failure = UDisks2::unmount(member->path)) return failure;
    }
    // Unmounted is safe to pull out; a medium that refuses the eject command is left be.
    UDisks2::eject(diskPath);
    return std::nullopt;
  }
  if (::geteuid() != 0) return std::string("neither the disk service nor administrator rights are available");
  // The mount table, not lsblk: lsblk splits a mount point that holds a line break.
  for (const std::string& point : CardFormatter::mountPointsOf(*facts, diskName)) {
    const SystemTool::Result result = unmountPatiently(point);
    if (result.exitCode != 0) return SystemTool::lastLine(result.output);
  }
  FileDescriptor device(::open(diskPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (device) ::ioctl(device.get(), CDROMEJECT, 0);
  return std::nullopt;
}

}  // namespace tessorin
