#include "SystemDeviceRecords.hpp"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>

namespace tessorin {

namespace fs = std::filesystem;

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<fs::path> resolved(const fs::path& path) {
  std::error_code error;
  fs::path target = fs::canonical(path, error);
  if (error) return std::nullopt;
  return target;
}

// The name of the one entry in folder that resolves to device, decoded; empty if none.
std::string linkNameFor(const fs::path& folder, const fs::path& device) {
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    if (resolved(entry->path()) == device) return decodeUdevText(entry->path().filename().string());
  }
  return {};
}

}  // namespace

std::string decodeUdevText(const std::string& encoded) {
  std::string text;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
      const int high = hexValue(encoded[i + 2]);
      const int low = hexValue(encoded[i + 3]);
      if (high >= 0 && low >= 0) {
        text += static_cast<char>(high << 4 | low);
        i += 3;
        continue;
      }
    }
    text += encoded[i];
  }
  return text;
}

std::optional<BlockDeviceTags> readUdevRecord(const std::string& deviceNode, const std::string& udevDataFolder) {
  struct stat status {};
  if (udevDataFolder.empty() || ::stat(deviceNode.c_str(), &status) != 0 || !S_ISBLK(status.st_mode)) {
    return std::nullopt;
  }
  const fs::path entry = fs::path(udevDataFolder) / ("b" + std::to_string(major(status.st_rdev)) + ":" +
                                                     std::to_string(minor(status.st_rdev)));
  std::ifstream file(entry);
  if (!file) return std::nullopt;
  BlockDeviceTags tags;
  std::string plainLabel;
  std::string encodedLabel;
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("E:", 0) != 0) continue;
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(2, equals - 2);
    const std::string value = line.substr(equals + 1);
    if (key == "ID_FS_TYPE") tags.fileSystemType = value;
    else if (key == "ID_FS_UUID") tags.uuid = value;
    else if (key == "ID_FS_LABEL") plainLabel = value;
    else if (key == "ID_FS_LABEL_ENC") encodedLabel = value;
    else if (key == "ID_PART_TABLE_TYPE") tags.partitionTableType = value;
  }
  // The plain label has every unsafe character replaced; the encoded one keeps them.
  tags.label = encodedLabel.empty() ? plainLabel : decodeUdevText(encodedLabel);
  if (tags.fileSystemType.empty() && tags.uuid.empty() && tags.partitionTableType.empty()) return std::nullopt;
  return tags;
}

std::optional<BlockDeviceTags> readDiskLinks(const std::string& deviceNode, const std::string& diskLinksFolder) {
  if (diskLinksFolder.empty()) return std::nullopt;
  const auto device = resolved(deviceNode);
  if (!device) return std::nullopt;
  BlockDeviceTags tags;
  tags.uuid = linkNameFor(fs::path(diskLinksFolder) / "by-uuid", *device);
  if (tags.uuid.empty()) return std::nullopt;
  tags.label = linkNameFor(fs::path(diskLinksFolder) / "by-label", *device);
  return tags;
}

}  // namespace tessorin
