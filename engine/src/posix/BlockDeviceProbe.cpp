#include "tessorin/posix/BlockDeviceProbe.hpp"

#include <blkid/blkid.h>

#include <cstdlib>

namespace tessorin {
namespace {

std::string lookupValue(blkid_probe probe, const char* name) {
  const char* value = nullptr;
  if (blkid_probe_lookup_value(probe, name, &value, nullptr) == 0 && value) return value;
  return {};
}

std::optional<BlockDeviceTags> probeDirectly(const std::string& deviceNode) {
  blkid_probe probe = blkid_new_probe_from_filename(deviceNode.c_str());
  if (!probe) return std::nullopt;
  blkid_probe_enable_superblocks(probe, 1);
  blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE | BLKID_SUBLKS_UUID | BLKID_SUBLKS_LABEL);
  blkid_probe_enable_partitions(probe, 1);
  blkid_probe_set_partitions_flags(probe, BLKID_PARTS_ENTRY_DETAILS);
  BlockDeviceTags tags;
  if (blkid_do_safeprobe(probe) == 0) {
    tags.fileSystemType = lookupValue(probe, "TYPE");
    tags.uuid = lookupValue(probe, "UUID");
    tags.label = lookupValue(probe, "LABEL");
    tags.partitionTableType = lookupValue(probe, "PTTYPE");
  }
  blkid_free_probe(probe);
  return tags;
}

std::optional<BlockDeviceTags> probeFromCache(const std::string& deviceNode) {
  blkid_cache cache = nullptr;
  if (blkid_get_cache(&cache, nullptr) != 0) return std::nullopt;
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
  if (auto tags = probeDirectly(deviceNode)) return tags;
  return probeFromCache(deviceNode);
}

}  // namespace tessorin
