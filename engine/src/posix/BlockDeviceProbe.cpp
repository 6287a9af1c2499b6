#include "tessorin/posix/BlockDeviceProbe.hpp"

#include <blkid/blkid.h>
#include <fcntl.h>

#include <cstdlib>

#include "ExFATBootRegion.hpp"
#include "FuseServer.hpp"
#include "SystemDeviceRecords.hpp"
#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {
namespace {

std::string lookupValue(blkid_probe probe, const char* name) {
  const char* value = nullptr;
  if (blkid_probe_lookup_value(probe, name, &value, nullptr) == 0 && value) return value;
  return {};
}

// Absent when the probe itself failed (a read error, often past a fake card's real
// size), so that the next source is asked; an empty answer when it found nothing.
std::optional<BlockDeviceTags> probeWithBlkid(int device) {
  blkid_probe probe = blkid_new_probe();
  if (!probe) return std::nullopt;
  std::optional<BlockDeviceTags> tags;
  if (blkid_probe_set_device(probe, device, 0, 0) == 0) {
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE | BLKID_SUBLKS_UUID | BLKID_SUBLKS_LABEL);
    blkid_probe_enable_partitions(probe, 1);
    blkid_probe_set_partitions_flags(probe, BLKID_PARTS_ENTRY_DETAILS);
    const int found = blkid_do_safeprobe(probe);
    if (found == 0) {
      tags = BlockDeviceTags{lookupValue(probe, "TYPE"), lookupValue(probe, "UUID"), lookupValue(probe, "LABEL"),
                             lookupValue(probe, "PTTYPE")};
    } else if (found == 1) {
      tags = BlockDeviceTags{};
    }
  }
  blkid_free_probe(probe);
  return tags;
}

std::optional<BlockDeviceTags> readDevice(const std::string& deviceNode) {
  FileDescriptor device(::open(deviceNode.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!device) return std::nullopt;
  if (const auto exFAT = readExFATBootRegion(device.get())) return BlockDeviceTags{"exfat", exFAT->uuid, exFAT->label, ""};
  return probeWithBlkid(device.get());
}

std::optional<BlockDeviceTags> readBlkidCache(const std::string& deviceNode, const std::string& cacheFile) {
  if (cacheFile.empty()) return std::nullopt;
  blkid_cache cache = nullptr;
  if (blkid_get_cache(&cache, cacheFile.c_str()) != 0) return std::nullopt;
  auto tag = [&](const char* name) {
    char* value = blkid_get_tag_value(cache, name, deviceNode.c_str());
    std::string text = value ? value : "";
    std::free(value);
    return text;
  };
  BlockDeviceTags tags{tag("TYPE"), tag("UUID"), tag("LABEL"), tag("PTTYPE")};
  blkid_put_cache(cache);
  if (tags.fileSystemType.empty() && tags.uuid.empty() && tags.partitionTableType.empty()) return std::nullopt;
  return tags;
}

}  // namespace

std::optional<BlockDeviceTags> probeBlockDevice(const std::string& deviceNode) {
  return probeBlockDeviceWith(deviceNode, BlockDeviceRecords{});
}

std::optional<BlockDeviceTags> probeBlockDeviceWith(const std::string& deviceNode, const BlockDeviceRecords& records) {
  if (auto tags = readDevice(deviceNode)) return tags;
  std::optional<BlockDeviceTags> tags = readUdevRecord(deviceNode, records.udevDataFolder);
  if (!tags) tags = readDiskLinks(deviceNode, records.diskLinksFolder);
  if (!tags) tags = readBlkidCache(deviceNode, records.blkidCacheFile);
  if (!tags || tags->fileSystemType.empty()) {
    if (auto served = fuseServedFileSystem(deviceNode, records.processFolder)) {
      if (!tags) tags = BlockDeviceTags{};
      tags->fileSystemType = *served;
    }
  }
  return tags;
}

}  // namespace tessorin
