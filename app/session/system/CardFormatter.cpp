#include "session/system/CardFormatter.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <QTextBoundaryFinder>

#include "session/system/SystemTool.hpp"
#include "session/system/Unmount.hpp"
#include "session/system/UDisks2.hpp"
#include "tessorin/posix/BlockDeviceProbe.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/SystemDisks.hpp"

namespace tessorin {

namespace fs = std::filesystem;

namespace {

constexpr int labelUnits = 11;

// Roots that live on no disk of their own: a live system's or a container's.
bool isDisklessRoot(const std::string& fileSystemType) {
  return fileSystemType == "overlay" || fileSystemType == "tmpfs" || fileSystemType == "squashfs" ||
         fileSystemType == "rootfs";
}

bool isSystemMountPoint(const std::string& point) {
  return point == "[SWAP]" || SystemDisks::isSystemMountPoint(point);
}

bool sysfsSaysEMMC(const std::string& diskName) {
  std::ifstream type("/sys/block/" + diskName + "/device/type");
  std::string value;
  return static_cast<bool>(type >> value) && value == "MMC";
}

std::string partitionPath(const std::string& diskPath, int number) {
  const bool endsInDigit = !diskPath.empty() && std::isdigit(static_cast<unsigned char>(diskPath.back()));
  return diskPath + (endsInDigit ? "p" : "") + std::to_string(number);
}

void failUnlessDone(const SystemTool::Result& result, const std::string& program) {
  if (result.exitCode != 0) {
    const std::string line = SystemTool::lastLine(result.output);
    throw CardFormatter::Failure::failed(line.empty() ? program + " failed" : line);
  }
}

void runOrFail(const std::string& program, const std::vector<std::string>& arguments, const std::string& input = {}) {
  failUnlessDone(SystemTool::run(program, arguments, input), program);
}

// Forces what was written to the disk through its device node onto the disk itself.
void flushToDisk(const std::string& diskPath) {
  const FileDescriptor device(::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!device || ::fsync(device.get()) != 0) {
    throw CardFormatter::Failure::failed(diskPath + ": " + std::strerror(errno));
  }
}

// A loop device, and a kernel without MBR support, list a disk's partitions only when
// asked; false when the partition did not appear.
bool listPartition(const std::string& diskPath, const std::string& partition) {
  SystemTool::run("/usr/bin/partx", {"--update", diskPath});
  for (int attempt = 0; attempt < 50 && !fs::exists(partition); ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return fs::exists(partition);
}

// Mounts the erased card on a folder of its own under /media; empty when it would not mount.
std::string mountAsRoot(const std::string& partition, const std::string& label) {
  const fs::path mountPoint = CardFormatter::newMountPoint("/media", label);
  if (mountPoint.empty()) return {};
  if (SystemTool::run("/usr/bin/mount", {partition, mountPoint.string()}).exitCode == 0) return mountPoint.string();
  // Without exFAT in the kernel the FUSE driver mounts it.
  if (SystemTool::run("/usr/sbin/mount.exfat-fuse", {partition, mountPoint.string()}).exitCode == 0) {
    return mountPoint.string();
  }
  std::error_code ignored;
  fs::remove(mountPoint, ignored);
  return {};
}

std::string eraseAsRoot(const CardFormatter::Facts& facts, const BlockDevice& disk, const std::string& label) {
  for (const std::string& point : CardFormatter::mountPointsOf(facts, disk.name)) failUnlessDone(unmountPatiently(point), "umount");
  std::vector<const BlockDevice*> members = facts.devices.family(disk.name);
  // Partitions first, the disk's own table last.
  std::reverse(members.begin(), members.end());
  for (const BlockDevice* member : members) runOrFail("/usr/sbin/wipefs", {"--all", "--force", member->path});
  // One partition over the whole disk, type 7 (exFAT), aligned by sfdisk. Left to itself
  // sfdisk ends with a sync of every disk on the computer, which waits for whatever else
  // is being written meanwhile (minutes during a large copy); only this disk needs to
  // hold the table. The kernel is told here instead: the partitions it still lists from
  // the old table go, and the new one is listed below.
  runOrFail("/usr/sbin/sfdisk", {"--quiet", "--no-tell-kernel", "--wipe", "always", disk.path}, "label: dos\n,,7\n");
  flushToDisk(disk.path);
  SystemTool::run("/usr/bin/partx", {"--delete", disk.path});
  const std::string partition = partitionPath(disk.path, 1);
  if (!listPartition(disk.path, partition)) throw CardFormatter::Failure::failed("the new partition did not appear");
  runOrFail("/usr/sbin/mkfs.exfat", {"-L", label, partition});
  return mountAsRoot(partition, label);
}

void throwUnlessDone(const std::optional<std::string>& failure) {
  if (failure) throw CardFormatter::Failure::failed(*failure);
}

bool holdsNewVolume(const std::string& partition, const std::string& label) {
  const std::optional<BlockDeviceTags> tags = probeBlockDevice(partition);
  return tags && tags->fileSystemType == "exfat" && tags->label == label;
}

std::string eraseThroughService(const CardFormatter::Facts& facts, const BlockDevice& disk, const std::string& label) {
  for (const BlockDevice* member : facts.devices.family(disk.name)) {
    const bool mounted = std::any_of(facts.mounts.entries().begin(), facts.mounts.entries().end(),
                                     [member](const MountEntry& entry) { return entry.source == member->path; });
    if (mounted) throwUnlessDone(UDisks2::unmount(member->path));
  }
  throwUnlessDone(UDisks2::newPartitionTable(disk.path));
  const std::string partition = partitionPath(disk.path, 1);
  std::optional<std::string> failure = UDisks2::addExFATPartition(disk.path, label);
  // A kernel that reads no MBR drops a disk's partitions whenever the table is read again,
  // as the service, sfdisk and udev ask it to while the partition is made and formatted:
  // the service then fails on a partition that has gone, or waits in vain for its file
  // system, with the card itself as asked. As root the kernel is told of the partition
  // again, and the service formats it if its file system is not there yet.
  for (int attempt = 0; failure && ::geteuid() == 0 && attempt < 3; ++attempt) {
    if (!listPartition(disk.path, partition)) break;
    failure = holdsNewVolume(partition, label) ? std::nullopt : UDisks2::formatExFAT(partition, label);
  }
  throwUnlessDone(failure);
  std::string mountedAt;
  // Erased is erased: a card the service cannot mount (no exFAT in the kernel) is mounted
  // through FUSE as root, and is otherwise still reported as erased.
  if (UDisks2::mount(partition, mountedAt) && ::geteuid() == 0 && listPartition(disk.path, partition)) {
    mountedAt = mountAsRoot(partition, label);
  }
  return mountedAt;
}

std::string normalPath(const fs::path& path) {
  std::string text = path.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace

ExpectedCard ExpectedCard::of(const CardDevice& device) {
  ExpectedCard card;
  card.volume = device.volumeURL;
  if (!device.volume.deviceNode.empty()) {
    card.deviceNode = device.volume.deviceNode;
  } else if (!device.bsdName.empty()) {
    card.deviceNode = "/dev/" + device.bsdName;
  }
  card.wholeDiskName = device.wholeDiskBSDName;
  card.mediaBytes = device.mediaBytes;
  card.uuid = device.fileSystemUUID;
  return card;
}

CardFormatter::Failure::Failure(Kind kind, std::string detail) : kind_(kind), detail_(std::move(detail)) {
  switch (kind_) {
    case Kind::failed: description_ = "The system couldn’t erase the card: " + detail_; break;
    case Kind::notFound: description_ = "The card isn’t in the computer any more."; break;
    case Kind::notRemovable: description_ = "Tessorin only erases cards and USB drives, never the computer’s own disks."; break;
    case Kind::busy: description_ = "Tessorin is checking this card. Stop the check before erasing it."; break;
  }
}

std::vector<std::string> CardFormatter::mountPointsOf(const Facts& facts, const std::string& diskName) {
  std::vector<std::string> points;
  for (const BlockDevice* member : facts.devices.family(diskName)) {
    for (const MountEntry& entry : facts.mounts.entries()) {
      if (entry.source == member->path) points.push_back(entry.mountPoint);
    }
  }
  // Innermost first.
  std::sort(points.begin(), points.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  points.erase(std::unique(points.begin(), points.end()), points.end());
  return points;
}

bool CardFormatter::stillHoldsFileSystem(const ExpectedCard& card) {
  if (card.uuid.empty()) return true;
  const std::optional<BlockDeviceTags> tags = probeBlockDevice(card.deviceNode);
  return tags && tags->uuid == card.uuid;
}

std::optional<CardFormatter::Facts> CardFormatter::Facts::system() {
  std::optional<BlockDevices> devices = BlockDevices::describe();
  if (!devices) return std::nullopt;
  try {
    return Facts{std::move(*devices), MountTable::read(), SystemDisks::swapDevices("/proc/swaps"), sysfsSaysEMMC};
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

QString CardFormatter::sanitize(const QString& name) {
  QString kept;
  for (const QChar character : name) {
    if (character == u'/' || character == u':' || character.category() == QChar::Other_Control) continue;
    kept.append(character);
  }
  // Whole characters only: a cut never splits a surrogate pair or a combining sequence.
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, kept);
  qsizetype end = 0;
  while (finder.toNextBoundary() != -1 && finder.position() <= labelUnits) end = finder.position();
  QString cut = kept.left(end);
  qsizetype first = 0;
  qsizetype last = cut.size();
  while (first < last && (cut[first] == u' ' || cut[first] == u'\t')) ++first;
  while (last > first && (cut[last - 1] == u' ' || cut[last - 1] == u'\t')) --last;
  cut = cut.mid(first, last - first);
  return cut.isEmpty() ? QStringLiteral("CARD") : cut;
}

fs::path CardFormatter::newMountPoint(const fs::path& parent, const std::string& label) {
  std::error_code error;
  fs::create_directories(parent, error);
  // The label is the user's text: "." or ".." would mount over the parent or above it,
  // and an existing folder may hold another card's mount or someone's files.
  const bool usable = !label.empty() && label != "." && label != ".." && label.find('/') == std::string::npos;
  const std::string base = usable ? label : "CARD";
  for (int number = 1; number < 1000; ++number) {
    const fs::path candidate = parent / (number == 1 ? base : base + " " + std::to_string(number));
    // Creating it is the test: a folder that already exists is never taken over.
    if (fs::create_directory(candidate, error) && !error) return candidate;
  }
  return {};
}

std::optional<std::set<std::string>> CardFormatter::systemDisks(const Facts& facts) {
  std::set<std::string> disks;
  bool rootSeen = false;
  for (const MountEntry& entry : facts.mounts.entries()) {
    if (!isSystemMountPoint(entry.mountPoint)) continue;
    if (entry.mountPoint == "/") rootSeen = true;
    if (!entry.sourceIsDeviceNode()) {
      // A root that names no device must be one that lives on none; anything else (a
      // volume manager, a network root) cannot be traced and is not guessed at.
      if (entry.mountPoint == "/" && !isDisklessRoot(entry.fileSystemType)) return std::nullopt;
      continue;
    }
    const BlockDevice* disk = facts.devices.wholeDisk(entry.source);
    if (disk == nullptr) return std::nullopt;
    disks.insert(disk->name);
  }
  if (!rootSeen) return std::nullopt;
  for (const std::string& swap : facts.swapDevices) {
    if (swap.rfind("/dev/", 0) != 0) continue;  // a swap file lives on a disk already listed
    const BlockDevice* disk = facts.devices.wholeDisk(swap);
    if (disk == nullptr) return std::nullopt;
    disks.insert(disk->name);
  }
  return disks;
}

std::string CardFormatter::checkedWholeDisk(const ExpectedCard& card, const std::set<std::string>& busyDisks,
                                            const Facts& facts) {
  // Only the card's own mount: the mount that merely encloses a pulled card's folder
  // belongs to another disk, often the system's.
  const std::string volume = normalPath(card.volume);
  const MountEntry* entry = nullptr;
  for (const MountEntry& candidate : facts.mounts.entries()) {
    if (candidate.mountPoint == volume) entry = &candidate;  // the last one covers the others
  }
  if (entry == nullptr || !entry->sourceIsDeviceNode() || card.deviceNode.empty() ||
      entry->source != card.deviceNode) {
    throw Failure::notFound();
  }
  const BlockDevice* disk = facts.devices.wholeDisk(entry->source);
  if (disk == nullptr) throw Failure::notFound();
  if (!card.wholeDiskName.empty() && disk->name != card.wholeDiskName) throw Failure::notFound();
  if (card.mediaBytes != 0 && disk->size != 0 && disk->size != card.mediaBytes) throw Failure::notFound();

  const std::optional<std::set<std::string>> system = systemDisks(facts);
  if (!system || system->count(disk->name) > 0) throw Failure::notRemovable();
  for (const BlockDevice* member : facts.devices.family(disk->name)) {
    for (const std::string& point : member->mountPoints) {
      if (isSystemMountPoint(point)) throw Failure::notRemovable();
    }
  }
  if (facts.isEMMC && facts.isEMMC(disk->name)) throw Failure::notRemovable();
  // Disk images (loop devices) are the user's own files, like a card.
  const bool external = disk->removable || disk->hotplug || disk->transport == "usb" || disk->type == "loop";
  if (!external || disk->type == "part") throw Failure::notRemovable();
  if (busyDisks.count(disk->name) > 0) throw Failure::busy();
  return disk->name;
}

std::string CardFormatter::erase(const ExpectedCard& card, const QString& name, const std::set<std::string>& busyDisks) {
  const std::string label = sanitize(name).toStdString();
  std::optional<Facts> facts = Facts::system();
  if (!facts) throw Failure::notRemovable();
  const std::string diskName = checkedWholeDisk(card, busyDisks, *facts);

  // Right before erasing, with fresh facts: still the same card at the same place. The
  // UUID is read from the medium itself, so a swapped card with the same label, node
  // and mount point is told apart.
  facts = Facts::system();
  if (!facts || checkedWholeDisk(card, busyDisks, *facts) != diskName) throw Failure::notFound();
  if (!stillHoldsFileSystem(card)) throw Failure::notFound();
  const BlockDevice disk = *facts->devices.find(diskName);

  if (UDisks2::isAvailable()) return eraseThroughService(*facts, disk, label);
  if (::geteuid() != 0) {
    throw Failure::failed("erasing needs the disk service (UDisks2) or administrator rights");
  }
  return eraseAsRoot(*facts, disk, label);
}

}  // namespace tessorin
