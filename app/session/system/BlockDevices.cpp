#include "session/system/BlockDevices.hpp"

#include <filesystem>
#include <set>

#include <nlohmann/json.hpp>

#include "session/system/SystemTool.hpp"

namespace tessorin {

namespace {

using nlohmann::json;

std::string text(const json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// Older lsblk writes flags as "0"/"1", newer ones as booleans.
bool flag(const json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end()) return false;
  if (it->is_boolean()) return it->get<bool>();
  if (it->is_string()) return it->get<std::string>() == "1";
  if (it->is_number_integer()) return it->get<int>() != 0;
  return false;
}

std::uint64_t number(const json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end()) return 0;
  if (it->is_number_unsigned() || it->is_number_integer()) return it->get<std::uint64_t>();
  if (it->is_string()) return std::stoull(it->get<std::string>());
  return 0;
}

void collect(const json& node, const std::string& parent, std::vector<BlockDevice>& into) {
  BlockDevice device;
  device.name = text(node, "name");
  device.path = text(node, "path");
  if (device.path.empty() && !device.name.empty()) device.path = "/dev/" + device.name;
  device.parentName = text(node, "pkname");
  if (device.parentName.empty()) device.parentName = parent;
  device.type = text(node, "type");
  device.size = number(node, "size");
  device.removable = flag(node, "rm");
  device.hotplug = flag(node, "hotplug");
  device.transport = text(node, "tran");
  device.fileSystem = text(node, "fstype");
  device.label = text(node, "label");
  if (const auto points = node.find("mountpoints"); points != node.end() && points->is_array()) {
    for (const json& point : *points) {
      if (point.is_string()) device.mountPoints.push_back(point.get<std::string>());
    }
  } else if (const std::string point = text(node, "mountpoint"); !point.empty()) {
    device.mountPoints.push_back(point);
  }
  into.push_back(device);
  if (const auto children = node.find("children"); children != node.end() && children->is_array()) {
    for (const json& child : *children) collect(child, device.name, into);
  }
}

}  // namespace

std::optional<BlockDevices> BlockDevices::describe() {
  const SystemTool::Result result = SystemTool::run(
      "/usr/bin/lsblk",
      {"--json", "--bytes", "--output", "NAME,PATH,PKNAME,TYPE,SIZE,RM,HOTPLUG,TRAN,FSTYPE,LABEL,MOUNTPOINTS"});
  if (result.exitCode != 0) return std::nullopt;
  return parse(result.output);
}

std::optional<BlockDevices> BlockDevices::parse(const std::string& text) {
  const json document = json::parse(text, nullptr, false);
  if (!document.is_object()) return std::nullopt;
  const auto top = document.find("blockdevices");
  if (top == document.end() || !top->is_array()) return std::nullopt;
  BlockDevices devices;
  try {
    for (const json& node : *top) collect(node, "", devices.devices_);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return devices;
}

const BlockDevice* BlockDevices::find(const std::string& nameOrPath) const {
  std::string wanted = nameOrPath;
  // /dev/disk/by-uuid/... and friends are links to the node.
  std::error_code error;
  if (wanted.rfind("/dev/", 0) == 0) {
    const auto resolved = std::filesystem::canonical(wanted, error);
    if (!error) wanted = resolved.string();
  }
  for (const BlockDevice& device : devices_) {
    if (device.name == wanted || device.path == wanted) return &device;
  }
  return nullptr;
}

const BlockDevice* BlockDevices::wholeDisk(const std::string& nameOrPath) const {
  const BlockDevice* device = find(nameOrPath);
  std::set<std::string> seen;
  while (device != nullptr && !device->parentName.empty() && seen.insert(device->name).second) {
    const BlockDevice* parent = find(device->parentName);
    if (parent == nullptr) break;
    device = parent;
  }
  return device;
}

std::vector<const BlockDevice*> BlockDevices::family(const std::string& wholeDiskName) const {
  std::vector<const BlockDevice*> members;
  for (const BlockDevice& device : devices_) {
    const BlockDevice* top = wholeDisk(device.name);
    if (top != nullptr && top->name == wholeDiskName) members.push_back(&device);
  }
  return members;
}

}  // namespace tessorin
