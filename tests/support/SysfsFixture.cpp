#include "SysfsFixture.hpp"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tessorin::testing {

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The kernel links block/<name> and class/block/<name> relatively to the device.
void linkBlockDevice(const fs::path& root, const fs::path& device) {
  const std::string name = device.filename().string();
  fs::create_symlink(device.lexically_relative(root / "block"), root / "block" / name);
  fs::create_symlink(device.lexically_relative(root / "class" / "block"), root / "class" / "block" / name);
}

std::string escapeMountField(const std::string& field) {
  std::string out;
  for (const char c : field) {
    if (c == ' ') out += "\\040";
    else if (c == '\\') out += "\\134";
    else out += c;
  }
  return out;
}

}  // namespace

SysfsFixture::SysfsFixture() : root_(fs::path(folder_.path()) / "sys") {
  fs::create_directories(root_ / "devices");
  fs::create_directories(root_ / "block");
  fs::create_directories(root_ / "class" / "block");
  fs::create_directories(fs::path(folder_.path()) / "media");
  writeFile(fs::path(folder_.path()) / "mountinfo", "");
  writeFile(fs::path(folder_.path()) / "swaps", swaps_);
}

fs::path SysfsFixture::device(const std::string& devicePath, const std::string& ueventLines,
                              const Attributes& attributes) {
  const fs::path directory = root_ / "devices" / devicePath;
  fs::create_directories(directory);
  writeFile(directory / "uevent", ueventLines.empty() ? "" : ueventLines + "\n");
  for (const auto& [name, value] : attributes) writeFile(directory / name, value + "\n");
  return directory;
}

fs::path SysfsFixture::disk(const fs::path& parent, const std::string& name, std::uint64_t sectors, bool removable) {
  const fs::path relative = parent.lexically_relative(root_ / "devices") / "block" / name;
  const fs::path directory = device(relative.string(), "DEVNAME=" + name + "\nDEVTYPE=disk",
                                    {{"size", std::to_string(sectors)}, {"removable", removable ? "1" : "0"}});
  linkBlockDevice(root_, directory);
  return directory;
}

fs::path SysfsFixture::partition(const fs::path& disk, const std::string& name, std::uint64_t start,
                                 std::uint64_t sectors) {
  const fs::path relative = disk.lexically_relative(root_ / "devices") / name;
  const fs::path directory =
      device(relative.string(), "DEVNAME=" + name + "\nDEVTYPE=partition",
             {{"start", std::to_string(start)}, {"size", std::to_string(sectors)}, {"partition", "1"}});
  linkBlockDevice(root_, directory);
  return directory;
}

std::string SysfsFixture::mount(const std::string& source, const std::string& fileSystemType,
                                const std::string& mountName) {
  const fs::path mountPoint = fs::path(folder_.path()) / "media" / mountName;
  fs::create_directories(mountPoint);
  mountAt(source, fileSystemType, mountPoint.string());
  return mountPoint.string();
}

void SysfsFixture::swap(const std::string& deviceNode) {
  swaps_ += deviceNode + " partition 1048572 0 -2\n";
  writeFile(fs::path(folder_.path()) / "swaps", swaps_);
}

void SysfsFixture::mountAt(const std::string& source, const std::string& fileSystemType, const std::string& mountPoint,
                           int mountId) {
  const int id = mountId != 0 ? mountId : nextMountId_++;
  mountInfo_ += std::to_string(id) + " 1 0:" + std::to_string(id) + " / " + escapeMountField(mountPoint) +
                " rw,relatime shared:1 - " + fileSystemType + " " + escapeMountField(source) + " rw\n";
  writeFile(fs::path(folder_.path()) / "mountinfo", mountInfo_);
}

void SysfsFixture::unmount(const std::string& mountPoint) {
  std::istringstream lines(mountInfo_);
  std::string kept;
  const std::string field = " " + escapeMountField(mountPoint) + " ";
  for (std::string line; std::getline(lines, line);) {
    if (line.find(field) == std::string::npos) kept += line + "\n";
  }
  mountInfo_ = kept;
  writeFile(fs::path(folder_.path()) / "mountinfo", mountInfo_);
}

DeviceScanner::Sources SysfsFixture::sources() const {
  auto tags = tags_;
  return {root_, (fs::path(folder_.path()) / "mountinfo").string(),
          [tags](const std::string& deviceNode) -> std::optional<BlockDeviceTags> {
            const auto found = tags->find(deviceNode);
            if (found == tags->end()) return std::nullopt;
            return found->second;
          },
          (fs::path(folder_.path()) / "swaps").string()};
}

}  // namespace tessorin::testing
