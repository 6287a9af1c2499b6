#include "FuseServer.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace tessorin {

namespace fs = std::filesystem;

namespace {

// A process may end while its command line is read: the read then fails (ESRCH), and the
// process is simply no longer a driver of anything. Read with plain calls, so that such a
// failure is an empty command line instead of a stream's exception ending the caller.
std::string contentsOrNothing(const fs::path& file) {
  const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) return {};
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      text.clear();
      break;
    }
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(descriptor);
  return text;
}

std::vector<std::string> commandLine(const fs::path& file) {
  const std::string text = contentsOrNothing(file);
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
