#include "FuseServer.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace tessorin {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> commandLine(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\0', start);
    arguments.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return arguments;
}

std::string canonicalOrSame(const std::string& path) {
  std::error_code error;
  const fs::path target = fs::canonical(path, error);
  return error ? path : target.string();
}

}  // namespace

std::optional<std::string> fileSystemOfFuseProgram(const std::string& programPath) {
  std::string name = fs::path(programPath).filename().string();
  if (name.rfind("mount.", 0) == 0) name = name.substr(6);
  if (name == "exfat-fuse") return "exfat";
  if (name == "ntfs-3g" || name == "lowntfs-3g") return "ntfs";
  return std::nullopt;
}

std::optional<std::string> fuseServedFileSystem(const std::string& deviceNode, const std::string& procFolder) {
  if (procFolder.empty()) return std::nullopt;
  const std::string device = canonicalOrSame(deviceNode);
  std::error_code error;
  for (fs::directory_iterator entry(procFolder, error), end; !error && entry != end; entry.increment(error)) {
    const std::string pid = entry->path().filename().string();
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::vector<std::string> arguments = commandLine(entry->path() / "cmdline");
    if (arguments.empty()) continue;
    const auto format = fileSystemOfFuseProgram(arguments.front());
    if (!format) continue;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
      if (arguments[i] == deviceNode || canonicalOrSame(arguments[i]) == device) return format;
    }
  }
  return std::nullopt;
}

}  // namespace tessorin
