#include "tessorin/identity/DeviceScanner.hpp"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <utility>

#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/SystemDisks.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

namespace fs = std::filesystem;

namespace {

using Connection = CardDevice::Connection;

std::string trimSpacesAndTabs(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

const RegistryValue::Dictionary& dictionaryOr(const std::optional<RegistryValue>& value,
                                              const RegistryValue::Dictionary& fallback) {
  const auto* dictionary = value ? value->asDictionary() : nullptr;
  return dictionary ? *dictionary : fallback;
}

std::string textIn(const RegistryValue::Dictionary& dictionary, std::string_view key) {
  const auto* value = findValue(dictionary, key);
  const auto* text = value ? value->asText() : nullptr;
  return text ? *text : std::string();
}

std::optional<std::uint64_t> unsignedProperty(const std::optional<RegistryValue>& value) {
  const auto number = value ? value->asNumber() : std::nullopt;
  if (!number || *number < 0) return std::nullopt;
  return static_cast<std::uint64_t>(*number);
}

bool containsSD(std::string_view interconnect) {
  for (std::size_t i = 0; i + 1 < interconnect.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(interconnect[i])) == 'S' &&
        std::toupper(static_cast<unsigned char>(interconnect[i + 1])) == 'D')
      return true;
  }
  return false;
}

// Absent: the volume is left out.
std::optional<Connection> connectionFor(const std::string& interconnect, const std::string& location, bool removable,
                                        bool hasCardCharacteristics, bool includeDiskImages) {
  if (interconnect == "Virtual Interface" || location == "File") {
    return includeDiskImages ? std::optional(Connection::diskImage()) : std::nullopt;
  }
  // A card reader's own slot counts as internal and may call its card fixed; it is
  // listed all the same.
  if (hasCardCharacteristics || containsSD(interconnect) || interconnect == "Secure Digital") {
    return Connection::builtInReader();
  }
  if (interconnect == "USB") {
    if (!removable && location == "Internal") return std::nullopt;
    return Connection::usb();
  }
  if (!removable || location == "Internal") return std::nullopt;
  return Connection::other(interconnect);
}

std::optional<std::string> readerName(const RegistryValue::Dictionary& deviceCharacteristics) {
  std::string name;
  for (const char* key : {"Vendor Name", "Product Name"}) {
    const std::string part = trimSpacesAndTabs(textIn(deviceCharacteristics, key));
    if (part.empty()) continue;
    if (!name.empty()) name += ' ';
    name += part;
  }
  if (name.empty()) return std::nullopt;
  return name;
}

// A text property of entry itself, trimmed of spaces and tabs; absent when blank.
std::optional<std::string> propertyText(const SysfsRegistry::Entry& entry, std::string_view key) {
  const auto value = entry.property(key);
  const auto* text = value ? value->asText() : nullptr;
  if (!text) return std::nullopt;
  std::string trimmed = trimSpacesAndTabs(*text);
  if (trimmed.empty()) return std::nullopt;
  return trimmed;
}

std::optional<SysfsRegistry::Entry> usbDeviceAtOrAbove(const SysfsRegistry::Entry& entry) {
  for (std::optional<SysfsRegistry::Entry> current = entry; current; current = current->parent()) {
    if (current->deviceType() == "usb_device") return current;
  }
  return std::nullopt;
}

// The block device a mount reads: the kernel's name of its source. A FUSE mount's own
// st_dev is anonymous and says nothing about the device, so the source is used for all.
std::optional<std::string> sourceDeviceName(const MountEntry& mount, const SysfsRegistry& registry) {
  if (!mount.sourceIsDeviceNode()) return std::nullopt;
  fs::path node = mount.source;
  std::error_code error;
  // /dev/disk/by-label/... and similar are links to the kernel's name.
  const fs::path resolved = fs::canonical(node, error);
  if (!error) node = resolved;
  std::string name = node.filename().string();
  if (!registry.blockDevice(name)) return std::nullopt;
  return name;
}

// The mounts a user could mean: real block devices, each mount point once (the last
// mount there hides the earlier ones), whole file systems rather than bound subtrees,
// and no compressed system images (snaps, live media), which are never a card.
std::vector<MountEntry> candidateMounts(const MountTable& table) {
  std::map<std::string, std::size_t> lastAtMountPoint;
  const auto& entries = table.entries();
  for (std::size_t i = 0; i < entries.size(); ++i) lastAtMountPoint[entries[i].mountPoint] = i;
  std::vector<MountEntry> mounts;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const MountEntry& entry = entries[i];
    if (lastAtMountPoint[entry.mountPoint] != i || !entry.sourceIsDeviceNode() || entry.root != "/") continue;
    if (entry.fileSystemType == "squashfs" || entry.fileSystemType == "erofs") continue;
    mounts.push_back(entry);
  }
  return mounts;
}

// What the volume's device says of its file system; with identities, what it said when
// the volume was mounted.
std::optional<BlockDeviceTags> volumeTags(const MountEntry& mount, const std::string& bsdName,
                                          const DeviceScanner::Sources& sources, std::uint64_t tableSeen) {
  if (!sources.probe) return std::nullopt;
  if (sources.identities == nullptr) return sources.probe("/dev/" + bsdName);
  const auto key = MountIdentities::Key::of(mount);
  if (auto known = sources.identities->find(key)) return known;
  auto tags = sources.probe("/dev/" + bsdName);
  if (tags) sources.identities->remember(key, *tags, tableSeen);
  return tags;
}

std::optional<CardDevice> describe(const MountEntry& mount, const std::string& bsdName, bool includeDiskImages,
                                   const SysfsRegistry& registry, const DeviceScanner::Sources& sources,
                                   std::uint64_t tableSeen) {
  VolumeStats stats;
  try {
    stats = VolumeStats(mount.mountPoint);
  } catch (const PosixError&) {
    return std::nullopt;
  }
  const auto tags = volumeTags(mount, bsdName, sources, tableSeen);
  // The volume's own mount entry, not the process-wide table VolumeStats consulted.
  stats.deviceNode = mount.source;
  stats.fileSystem = normalisedFileSystemName(mount.fileSystemType, tags ? tags->fileSystemType : std::string());

  const auto wholeDiskBSDName = DeviceScanner::wholeDiskName(bsdName, registry);
  if (!wholeDiskBSDName) return std::nullopt;
  const auto disk = registry.wholeDisk(*wholeDiskBSDName);
  if (!disk) return std::nullopt;

  const auto removableValue = disk->property("Removable");
  const bool removable = removableValue && removableValue->asBoolean() == true;

  static const RegistryValue::Dictionary none;
  const auto protocolValue = disk->searchProperty("Protocol Characteristics");
  const auto deviceValue = disk->searchProperty("Device Characteristics");
  const auto cardValue = disk->searchProperty("Card Characteristics");
  const auto* cardCharacteristics = cardValue ? cardValue->asDictionary() : nullptr;
  const auto& protocol = dictionaryOr(protocolValue, none);
  const std::string interconnect = textIn(protocol, "Physical Interconnect");
  const std::string location = textIn(protocol, "Physical Interconnect Location");

  const auto connection =
      connectionFor(interconnect, location, removable, cardCharacteristics != nullptr, includeDiskImages);
  if (!connection) return std::nullopt;

  CardDevice device;
  device.readerName = readerName(dictionaryOr(deviceValue, none));
  if (bsdName != *wholeDiskBSDName) {
    if (const auto partition = registry.blockDevice(bsdName)) {
      device.partitionOffset = unsignedProperty(partition->property("Base"));
    }
  }
  if (const auto content = disk->property("Content")) {
    const auto* scheme = content->asText();
    if (scheme && scheme->ends_with("_partition_scheme")) device.partitionScheme = *scheme;
  }
  device.fileSystemUUID = tags ? tags->uuid : std::string();
  device.id = device.fileSystemUUID.empty() ? bsdName : device.fileSystemUUID;
  device.volumeURL = mount.mountPoint;
  device.volumeName =
      tags && !tags->label.empty() ? tags->label : fs::path(mount.mountPoint).filename().string();
  device.bsdName = bsdName;
  device.wholeDiskBSDName = *wholeDiskBSDName;
  device.mediaBytes = unsignedProperty(disk->property("Size")).value_or(stats.totalBytes);
  device.connection = *connection;
  if (cardCharacteristics) device.registers = CardRegisters::fromCharacteristics(*cardCharacteristics);
  device.hasLeftoverTestFiles = TestFolder::exists(mount.mountPoint);
  if (connection->kind == Connection::Kind::usb) device.usb = DeviceScanner::usbInfo(*disk);
  device.volume = std::move(stats);
  return device;
}

std::optional<CardDevice> describeQuietly(const MountEntry& mount, const std::string& bsdName, bool includeDiskImages,
                                          const SysfsRegistry& registry, const DeviceScanner::Sources& sources,
                                          std::uint64_t tableSeen) noexcept {
  try {
    return describe(mount, bsdName, includeDiskImages, registry, sources, tableSeen);
  } catch (...) {
    return std::nullopt;
  }
}

fs::path withoutTrailingSeparator(const fs::path& path) {
  fs::path normal = path.lexically_normal();
  if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
  return normal;
}

MountTable readMountTable(const std::string& path) {
  try {
    return MountTable::read(path);
  } catch (const PosixError&) {
    return MountTable();
  }
}

// The table, shown to the identities kept per mount, and its number there.
std::pair<MountTable, std::uint64_t> readMountTable(const DeviceScanner::Sources& sources) {
  MountTable table = readMountTable(sources.mountInfoPath);
  const std::uint64_t number = sources.identities ? sources.identities->see(table) : 0;
  return {std::move(table), number};
}

// Ordered as a person reads names: digit runs by value, letters without regard to case.
bool precedesNaturally(std::string_view a, std::string_view b) {
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      while (i < a.size() && a[i] == '0') ++i;
      while (j < b.size() && b[j] == '0') ++j;
      std::size_t endA = i, endB = j;
      while (endA < a.size() && isDigit(a[endA])) ++endA;
      while (endB < b.size() && isDigit(b[endB])) ++endB;
      const auto runA = a.substr(i, endA - i), runB = b.substr(j, endB - j);
      if (runA.size() != runB.size()) return runA.size() < runB.size();
      if (runA != runB) return runA < runB;
      i = endA;
      j = endB;
      continue;
    }
    const auto lowerA = std::tolower(static_cast<unsigned char>(a[i]));
    const auto lowerB = std::tolower(static_cast<unsigned char>(b[j]));
    if (lowerA != lowerB) return lowerA < lowerB;
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

std::set<std::string> systemDisks(const MountTable& table, const DeviceScanner::Sources& sources) {
  return SystemDisks::names(table, {sources.sysfsRoot.string(), sources.swapsPath});
}

// A volume whose disk also holds the running system (a machine booted from its SD card
// or from a USB disk) is that system, never a card: checking it would fill it, erasing
// it would delete what the user may delete of it.
bool onSystemDisk(const std::string& bsdName, const SysfsRegistry& registry, const std::set<std::string>& system) {
  const auto disk = DeviceScanner::wholeDiskName(bsdName, registry);
  return disk && system.count(*disk) > 0;
}

// A FAT or exFAT volume ID has only 32 bits, and cards cloned from one image share it;
// two of them inserted together must still be two cards. The first keeps the plain UUID
// so that what was stored under it still applies.
void distinguishSharedIDs(std::vector<CardDevice>& devices) {
  std::set<std::string> seen;
  for (auto& device : devices) {
    if (!seen.insert(device.id).second) device.id += "-" + device.bsdName;
  }
}

}  // namespace

std::optional<std::string> DeviceScanner::wholeDiskName(const std::string& bsdName, const SysfsRegistry& registry) {
  const auto device = registry.blockDevice(bsdName);
  if (!device) return std::nullopt;
  if (device->deviceType() != "partition") return device->name();
  const auto disk = device->parent();
  if (!disk) return std::nullopt;
  return disk->name();
}

std::optional<USBInfo> DeviceScanner::usbInfo(const SysfsRegistry::Entry& entry) {
  // Read from the nearest USB device only: searching further up would give a reader
  // without a product string the name of the hub it is plugged into.
  const auto device = usbDeviceAtOrAbove(entry);
  if (!device) return std::nullopt;
  USBInfo info;
  if (const auto value = device->property("idVendor")) info.vendorID = value->asNumber();
  if (const auto value = device->property("idProduct")) info.productID = value->asNumber();
  info.vendorName = propertyText(*device, "USB Vendor Name");
  info.productName = propertyText(*device, "USB Product Name");
  info.serial = propertyText(*device, "USB Serial Number");
  if (const auto value = device->property("UsbLinkSpeed")) {
    if (const auto bits = value->asNumber()) info.linkSpeed = static_cast<double>(*bits);
  }
  if (!info.vendorID && !info.productName) return std::nullopt;
  info.slots = slotCount(*device);
  return info;
}

std::optional<std::int64_t> DeviceScanner::slotCount(const SysfsRegistry::Entry& entry) {
  const auto device = usbDeviceAtOrAbove(entry);
  if (!device) return std::nullopt;
  const auto below = device->descendants();
  return std::count_if(below.begin(), below.end(),
                       [](const SysfsRegistry::Entry& unit) { return unit.deviceType() == "scsi_device"; });
}

std::vector<CardDevice> DeviceScanner::scan(bool includeDiskImages) { return scan(includeDiskImages, Sources::system()); }

std::vector<DeviceScanner::Candidate> DeviceScanner::candidates(const Sources& sources) {
  std::vector<Candidate> found;
  try {
    const SysfsRegistry registry(sources.sysfsRoot, sources.probe);
    const auto [table, seen] = readMountTable(sources);
    const std::set<std::string> system = systemDisks(table, sources);
    std::set<std::string> devicesSeen;
    for (const auto& mount : candidateMounts(table)) {
      const auto bsdName = sourceDeviceName(mount, registry);
      // One device mounted in two places is still one card.
      if (!bsdName || !devicesSeen.insert(*bsdName).second) continue;
      if (onSystemDisk(*bsdName, registry, system)) continue;
      found.push_back({mount, *bsdName, seen});
    }
  } catch (...) {
    // Out of memory halfway: whatever was found is all there is this time.
  }
  return found;
}

std::optional<CardDevice> DeviceScanner::describe(const Candidate& candidate, bool includeDiskImages,
                                                  const Sources& sources) {
  try {
    const SysfsRegistry registry(sources.sysfsRoot, sources.probe);
    return describeQuietly(candidate.mount, candidate.bsdName, includeDiskImages, registry, sources,
                           candidate.tableSeen);
  } catch (...) {
    return std::nullopt;
  }
}

void DeviceScanner::arrange(std::vector<CardDevice>& devices) {
  distinguishSharedIDs(devices);
  std::stable_sort(devices.begin(), devices.end(), [](const CardDevice& a, const CardDevice& b) {
    return precedesNaturally(a.volumeName, b.volumeName);
  });
}

std::vector<CardDevice> DeviceScanner::scan(bool includeDiskImages, const Sources& sources) {
  std::vector<CardDevice> devices;
  try {
    for (const Candidate& candidate : candidates(sources)) {
      if (auto device = describe(candidate, includeDiskImages, sources)) devices.push_back(std::move(*device));
    }
    arrange(devices);
  } catch (...) {
    // Out of memory halfway: whatever was found is all there is this time.
  }
  return devices;
}

std::optional<CardDevice> DeviceScanner::device(const fs::path& volumeURL, bool includeDiskImages) {
  return device(volumeURL, includeDiskImages, Sources::system());
}

std::optional<CardDevice> DeviceScanner::device(const fs::path& volumeURL, bool includeDiskImages,
                                                const Sources& sources) {
  try {
    const SysfsRegistry registry(sources.sysfsRoot, sources.probe);
    const fs::path wanted = withoutTrailingSeparator(volumeURL);
    const auto [table, seen] = readMountTable(sources);
    for (const auto& mount : candidateMounts(table)) {
      if (withoutTrailingSeparator(mount.mountPoint) != wanted) continue;
      const auto bsdName = sourceDeviceName(mount, registry);
      if (!bsdName || onSystemDisk(*bsdName, registry, systemDisks(table, sources))) return std::nullopt;
      return describeQuietly(mount, *bsdName, includeDiskImages, registry, sources, seen);
    }
  } catch (...) {
  }
  return std::nullopt;
}

}  // namespace tessorin
