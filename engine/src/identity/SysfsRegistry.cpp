#include "tessorin/identity/SysfsRegistry.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <system_error>

#include "tessorin/identity/CardCharacteristics.hpp"

namespace tessorin {

namespace fs = std::filesystem;

struct SysfsRegistry::Entry::Settings {
  fs::path root;
  fs::path devices;  // every entry lives below here
  Probe probe;
};

namespace {

enum class EntryKind { disk, partition, usbDevice, mmcCard, ataPort, pciDevice, other };

// The value of one KEY=value line of a uevent file.
std::optional<std::string> ueventField(const std::string& uevent, std::string_view key) {
  std::size_t start = 0;
  while (start < uevent.size()) {
    std::size_t end = uevent.find('\n', start);
    if (end == std::string::npos) end = uevent.size();
    const std::string_view line(uevent.data() + start, end - start);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
      return std::string(line.substr(key.size() + 1));
    }
    start = end + 1;
  }
  return std::nullopt;
}

bool isAtaPortName(const std::string& name) {
  return name.size() > 3 && name.compare(0, 3, "ata") == 0 &&
         name.find_first_not_of("0123456789", 3) == std::string::npos;
}

EntryKind kindOf(const fs::path& directory) {
  const auto uevent = SysfsRegistry::attribute(directory, "uevent");
  if (!uevent) return EntryKind::other;
  const auto type = ueventField(*uevent, "DEVTYPE");
  if (type == "disk") return EntryKind::disk;
  if (type == "partition") return EntryKind::partition;
  if (type == "usb_device") return EntryKind::usbDevice;
  if (ueventField(*uevent, "MMC_TYPE")) return EntryKind::mmcCard;
  if (ueventField(*uevent, "PCI_CLASS")) return EntryKind::pciDevice;
  if (isAtaPortName(directory.filename().string())) return EntryKind::ataPort;
  return EntryKind::other;
}

std::optional<std::uint64_t> unsignedAttribute(const fs::path& directory, std::string_view name, int base = 10) {
  const auto text = SysfsRegistry::attribute(directory, name);
  if (!text || text->empty()) return std::nullopt;
  std::uint64_t value = 0;
  const char* end = text->data() + text->size();
  const auto [stop, error] = std::from_chars(text->data(), end, value, base);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<RegistryValue> textAttribute(const fs::path& directory, std::string_view name) {
  auto text = SysfsRegistry::attribute(directory, name);
  if (!text) return std::nullopt;
  return RegistryValue::text(std::move(*text));
}

// sysfs counts size and start in 512-byte units whatever the device's block size.
std::optional<RegistryValue> sectorsAsBytes(const fs::path& directory, std::string_view name) {
  const auto sectors = unsignedAttribute(directory, name);
  if (!sectors || *sectors > (std::uint64_t{1} << 54)) return std::nullopt;
  return RegistryValue::number(static_cast<std::int64_t>(*sectors * 512));
}

RegistryValue protocol(std::string interconnect, std::string location) {
  return RegistryValue::dictionary({{"Physical Interconnect", RegistryValue::text(std::move(interconnect))},
                                    {"Physical Interconnect Location", RegistryValue::text(std::move(location))}});
}

std::optional<RegistryValue> partitionScheme(const std::string& diskName, const SysfsRegistry::Probe& probe) {
  if (!probe) return std::nullopt;
  const auto tags = probe("/dev/" + diskName);
  if (!tags) return std::nullopt;
  const std::string& table = tags->partitionTableType;
  if (table == "dos") return RegistryValue::text("FDisk_partition_scheme");
  if (table == "gpt") return RegistryValue::text("GUID_partition_scheme");
  if (table == "mac") return RegistryValue::text("Apple_partition_scheme");
  return std::nullopt;
}

std::optional<RegistryValue> diskProperty(const fs::path& disk, std::string_view key,
                                          const SysfsRegistry::Probe& probe) {
  const std::string name = disk.filename().string();
  if (key == "Removable") {
    const auto removable = unsignedAttribute(disk, "removable");
    if (!removable) return std::nullopt;
    return RegistryValue::boolean(*removable != 0);
  }
  if (key == "Size") return sectorsAsBytes(disk, "size");
  if (key == "Content") return partitionScheme(name, probe);
  // A loop device is a file made to look like a disk: a disk image.
  if (key == "Protocol Characteristics" && name.rfind("loop", 0) == 0) return protocol("Virtual Interface", "File");
  return std::nullopt;
}

std::optional<RegistryValue> usbDeviceProperty(const fs::path& device, std::string_view key) {
  if (key == "idVendor") {
    const auto id = unsignedAttribute(device, "idVendor", 16);
    return id ? std::optional(RegistryValue::number(static_cast<std::int64_t>(*id))) : std::nullopt;
  }
  if (key == "idProduct") {
    const auto id = unsignedAttribute(device, "idProduct", 16);
    return id ? std::optional(RegistryValue::number(static_cast<std::int64_t>(*id))) : std::nullopt;
  }
  if (key == "USB Vendor Name") return textAttribute(device, "manufacturer");
  if (key == "USB Product Name") return textAttribute(device, "product");
  if (key == "USB Serial Number") return textAttribute(device, "serial");
  if (key == "UsbLinkSpeed") {
    // Mbit/s, and "1.5" for a low-speed device.
    const auto text = SysfsRegistry::attribute(device, "speed");
    if (!text || text->empty()) return std::nullopt;
    double megabits = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, megabits);
    if (error != std::errc() || stop != end || !(megabits >= 0) || megabits > 1e9) return std::nullopt;
    return RegistryValue::number(static_cast<std::int64_t>(std::llround(megabits * 1e6)));
  }
  if (key == "Protocol Characteristics") {
    // The port's own account: a "fixed" port is wired inside the machine (a reader
    // built into a laptop, for instance).
    const auto port = SysfsRegistry::attribute(device, "removable");
    return protocol("USB", port == "fixed" ? "Internal" : "External");
  }
  return std::nullopt;
}

std::optional<RegistryValue> mmcCardProperty(const fs::path& card, std::string_view key) {
  if (key == "Protocol Characteristics") {
    // eMMC is soldered storage, not a card: a name without "SD" keeps it out of the
    // card reader rules.
    const auto type = SysfsRegistry::attribute(card, "type");
    return protocol(type == "MMC" ? "MMC" : "Secure Digital", "Internal");
  }
  if (key == "Card Characteristics") {
    auto characteristics = CardCharacteristics::read(card);
    if (!characteristics) return std::nullopt;
    return RegistryValue::dictionary(std::move(*characteristics));
  }
  return std::nullopt;
}

std::optional<RegistryValue> deviceCharacteristics(const fs::path& device) {
  auto model = SysfsRegistry::attribute(device, "model");
  if (!model) return std::nullopt;
  RegistryValue::Dictionary characteristics{{"Product Name", RegistryValue::text(std::move(*model))}};
  if (auto vendor = SysfsRegistry::attribute(device, "vendor")) {
    characteristics.emplace("Vendor Name", RegistryValue::text(std::move(*vendor)));
  }
  return RegistryValue::dictionary(std::move(characteristics));
}

bool isBelow(const fs::path& path, const fs::path& top) {
  const fs::path relative = path.lexically_relative(top);
  return !relative.empty() && relative != "." && *relative.begin() != "..";
}

bool isPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

std::optional<std::string> SysfsRegistry::attribute(const fs::path& directory, std::string_view name) {
  const fs::path file = directory / name;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (count == 0 || text.size() > (1 << 16)) break;
    text.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(fd);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

SysfsRegistry::SysfsRegistry(const fs::path& root, Probe probe) {
  auto settings = std::make_shared<Entry::Settings>();
  std::error_code error;
  settings->root = fs::weakly_canonical(root, error);
  if (error) settings->root = root;
  settings->devices = settings->root / "devices";
  settings->probe = std::move(probe);
  settings_ = std::move(settings);
}

std::optional<SysfsRegistry::Entry> SysfsRegistry::resolve(const fs::path& link) const {
  std::error_code error;
  fs::path target = fs::canonical(link, error);
  if (error || !fs::is_directory(target, error) || !isBelow(target, settings_->devices)) return std::nullopt;
  return Entry(settings_, std::move(target));
}

std::optional<SysfsRegistry::Entry> SysfsRegistry::wholeDisk(const std::string& diskName) const {
  if (!isPlainName(diskName)) return std::nullopt;
  return resolve(settings_->root / "block" / diskName);
}

std::optional<SysfsRegistry::Entry> SysfsRegistry::blockDevice(const std::string& name) const {
  if (!isPlainName(name)) return std::nullopt;
  return resolve(settings_->root / "class" / "block" / name);
}

std::string SysfsRegistry::Entry::deviceType() const {
  const auto uevent = attribute(path_, "uevent");
  if (!uevent) return {};
  return ueventField(*uevent, "DEVTYPE").value_or("");
}

std::optional<RegistryValue> SysfsRegistry::Entry::property(std::string_view key) const {
  switch (kindOf(path_)) {
    case EntryKind::disk:
      return diskProperty(path_, key, settings_->probe);
    case EntryKind::partition:
      if (key == "Size") return sectorsAsBytes(path_, "size");
      if (key == "Base") return sectorsAsBytes(path_, "start");
      return std::nullopt;
    case EntryKind::usbDevice:
      return usbDeviceProperty(path_, key);
    case EntryKind::mmcCard:
      return mmcCardProperty(path_, key);
    case EntryKind::ataPort:
      if (key == "Protocol Characteristics") return protocol("SATA", "Internal");
      return std::nullopt;
    case EntryKind::pciDevice:
      if (key == "Protocol Characteristics") {
        // Only a slot the kernel knows to be hot-pluggable (Thunderbolt) is outside.
        return protocol("PCI", attribute(path_, "removable") == "removable" ? "External" : "Internal");
      }
      return std::nullopt;
    case EntryKind::other:
      if (key == "Device Characteristics") return deviceCharacteristics(path_);
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<RegistryValue> SysfsRegistry::Entry::searchProperty(std::string_view key) const {
  for (std::optional<Entry> entry = *this; entry; entry = entry->parent()) {
    if (auto value = entry->property(key)) return value;
  }
  return std::nullopt;
}

std::optional<SysfsRegistry::Entry> SysfsRegistry::Entry::parent() const {
  // Grouping folders such as "block" or "mmc_host" are not devices: they have no uevent.
  for (fs::path candidate = path_.parent_path(); isBelow(candidate, settings_->devices);
       candidate = candidate.parent_path()) {
    std::error_code error;
    if (fs::exists(candidate / "uevent", error)) return Entry(settings_, candidate);
  }
  return std::nullopt;
}

std::vector<SysfsRegistry::Entry> SysfsRegistry::Entry::descendants() const {
  std::vector<Entry> entries;
  std::error_code error;
  // Symbolic links (subsystem, driver, port, ...) lead elsewhere in the tree and are
  // not followed.
  fs::recursive_directory_iterator walk(path_, fs::directory_options::skip_permission_denied, error);
  for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    std::error_code statusError;
    if (!walk->is_directory(statusError) || walk->is_symlink(statusError)) continue;
    if (fs::exists(walk->path() / "uevent", statusError)) entries.push_back(Entry(settings_, walk->path()));
  }
  return entries;
}

}  // namespace tessorin
