#pragma once
// SysfsFixture: a small sysfs tree in a temporary folder, shaped like the kernel's
// (device directories with a uevent and one file per attribute, disks linked from
// block/ and class/block/), together with the mount table and the block-device tags
// (UUID, label, file-system and partition table type) that go with it, so the device
// scanner runs on it without root and without the devices. One per test, one thread.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "LoopVolume.hpp"
#include "tessorin/posix/BlockDeviceProbe.hpp"
#include "tessorin/identity/DeviceScanner.hpp"

namespace tessorin::testing {

class SysfsFixture {
 public:
  using Attributes = std::map<std::string, std::string>;

  SysfsFixture();

  const std::filesystem::path& root() const { return root_; }

  // A device directory at devicePath below devices/, with a uevent holding ueventLines
  // and one file per attribute, each ending in a line break as the kernel prints them.
  std::filesystem::path device(const std::string& devicePath, const std::string& ueventLines = "",
                               const Attributes& attributes = {});
  // A whole disk below parent, as parent/block/<name>, with its size in 512-byte units.
  std::filesystem::path disk(const std::filesystem::path& parent, const std::string& name, std::uint64_t sectors,
                             bool removable);
  std::filesystem::path partition(const std::filesystem::path& disk, const std::string& name, std::uint64_t start,
                                  std::uint64_t sectors);

  // Mounts source (e.g. "/dev/sdb1") at a new, real folder mountName inside the fixture,
  // so the volume's figures can be read; returns the mount point.
  std::string mount(const std::string& source, const std::string& fileSystemType, const std::string& mountName);
  // Lists source as mounted at an existing place, such as "/" for a system disk, under
  // mountId (0: one not used before; the kernel reuses the ids of mounts that went).
  void mountAt(const std::string& source, const std::string& fileSystemType, const std::string& mountPoint,
               int mountId = 0);
  // Takes whatever is mounted at mountPoint out of the mount table.
  void unmount(const std::string& mountPoint);
  // Lists deviceNode as active swap.
  void swap(const std::string& deviceNode);
  void tag(const std::string& deviceNode, BlockDeviceTags tags) { (*tags_)[deviceNode] = std::move(tags); }

  // Where the scanner should look; valid while the fixture lives.
  DeviceScanner::Sources sources() const;

 private:
  TemporaryFolder folder_;
  std::filesystem::path root_;
  std::string mountInfo_;
  std::string swaps_ = "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n";
  int nextMountId_ = 100;
  std::shared_ptr<std::map<std::string, BlockDeviceTags>> tags_ = std::make_shared<std::map<std::string, BlockDeviceTags>>();
};

}  // namespace tessorin::testing
