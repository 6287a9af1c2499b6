#include "tessorin/posix/SystemDisks.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "tessorin/posix/PosixError.hpp"

namespace tessorin {

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> systemMountPoints = {"/",
                                                    "/boot",
                                                    "/boot/efi",
                                                    "/boot/firmware",
                                                    "/usr",
                                                    "/var",
                                                    "/home",
                                                    "/run/live/medium",
                                                    "/lib/live/mount/medium",
                                                    "/run/initramfs/live",
                                                    "/cdrom"};

// Mapped devices are stacked a few levels deep at most; the limit only guards a loop.
constexpr int deepestStack = 8;

void collectDisks(const fs::path& device, const fs::path& classBlock, int depth, std::set<std::string>& disks) {
  if (depth > deepestStack) return;
  std::error_code error;
  if (fs::exists(device / "partition", error)) {
    disks.insert(device.parent_path().filename().string());
    return;
  }
  bool stacked = false;
  for (fs::directory_iterator slave(device / "slaves", error), end; !error && slave != end; slave.increment(error)) {
    const fs::path below = fs::canonical(classBlock / slave->path().filename(), error);
    if (error) continue;
    stacked = true;
    collectDisks(below, classBlock, depth + 1, disks);
  }
  if (!stacked) disks.insert(device.filename().string());
}

}  // namespace

std::vector<std::string> SystemDisks::swapDevices(const std::string& swapsPath) {
  std::vector<std::string> devices;
  std::ifstream swaps(swapsPath);
  std::string line;
  std::getline(swaps, line);  // the header
  while (std::getline(swaps, line)) {
    std::istringstream fields(line);
    std::string name;
    if (fields >> name) devices.push_back(name);
  }
  return devices;
}

bool SystemDisks::isSystemMountPoint(const std::string& mountPoint) {
  return std::find(systemMountPoints.begin(), systemMountPoints.end(), mountPoint) != systemMountPoints.end();
}

std::set<std::string> SystemDisks::disksBelow(const std::string& deviceNode, const std::string& sysfsRoot) {
  std::set<std::string> disks;
  if (deviceNode.rfind("/dev/", 0) != 0) return disks;
  std::error_code error;
  // /dev/mapper/root and /dev/disk/by-uuid/... are links to the kernel's name.
  fs::path node = fs::canonical(deviceNode, error);
  if (error) node = deviceNode;
  const fs::path classBlock = fs::path(sysfsRoot) / "class" / "block";
  const fs::path device = fs::canonical(classBlock / node.filename(), error);
  if (error) return disks;
  collectDisks(device, classBlock, 0, disks);
  return disks;
}

std::set<std::string> SystemDisks::names(const MountTable& mounts, const Sources& sources) {
  std::set<std::string> disks;
  for (const MountEntry& entry : mounts.entries()) {
    if (!isSystemMountPoint(entry.mountPoint) || !entry.sourceIsDeviceNode()) continue;
    disks.merge(disksBelow(entry.source, sources.sysfsRoot));
  }
  for (const std::string& swap : swapDevices(sources.swapsPath)) disks.merge(disksBelow(swap, sources.sysfsRoot));
  return disks;
}

bool SystemDisks::holds(const std::string& deviceNode) {
  const Sources sources;
  std::set<std::string> system;
  try {
    system = names(MountTable::read(), sources);
  } catch (const PosixError&) {
    return false;
  }
  const std::set<std::string> disks = disksBelow(deviceNode, sources.sysfsRoot);
  return std::any_of(disks.begin(), disks.end(), [&system](const std::string& disk) { return system.count(disk) > 0; });
}

}  // namespace tessorin
