#include "tessorin/posix/MountTable.hpp"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tessorin/posix/PosixError.hpp"

namespace tessorin {
namespace {

bool isOctalDigit(char c) { return c >= '0' && c <= '7'; }

std::vector<std::string> splitSpaces(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream stream(line);
  std::string field;
  while (stream >> field) fields.push_back(field);
  return fields;
}

std::optional<MountEntry> parseLine(const std::string& line) {
  // id parent major:minor root mount-point options [optional fields...] - type source super-options
  const auto fields = splitSpaces(line);
  std::size_t separator = 6;
  while (separator < fields.size() && fields[separator] != "-") ++separator;
  if (fields.size() < 7 || separator + 3 > fields.size()) return std::nullopt;

  MountEntry entry;
  unsigned major = 0, minor = 0;
  char colon = 0;
  std::istringstream device(fields[2]);
  if (!(device >> major >> colon >> minor) || colon != ':') return std::nullopt;
  entry.mountId = std::atoi(fields[0].c_str());
  entry.device = makedev(major, minor);
  entry.root = unescapeMountField(fields[3]);
  entry.mountPoint = unescapeMountField(fields[4]);
  entry.fileSystemType = unescapeMountField(fields[separator + 1]);
  entry.source = unescapeMountField(fields[separator + 2]);
  if (separator + 3 < fields.size()) entry.superOptions = unescapeMountField(fields[separator + 3]);
  return entry;
}

bool containsPath(const std::string& mountPoint, const std::string& path) {
  if (mountPoint == "/") return !path.empty() && path[0] == '/';
  if (path.compare(0, mountPoint.size(), mountPoint) != 0) return false;
  return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

std::string canonicalOrSame(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

}  // namespace

std::string unescapeMountField(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && isOctalDigit(field[i + 1]) && isOctalDigit(field[i + 2]) &&
        isOctalDigit(field[i + 3])) {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

MountTable MountTable::parse(const std::string& text) {
  MountTable table;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (auto entry = parseLine(line)) table.entries_.push_back(std::move(*entry));
  }
  return table;
}

MountTable MountTable::read(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw PosixError::fromErrno("open", path);
  std::ostringstream text;
  text << file.rdbuf();
  return parse(text.str());
}

std::optional<MountEntry> MountTable::mountContaining(const std::string& path) const {
  const std::string canonical = canonicalOrSame(path);
  struct stat info {};
  const bool haveDevice = ::stat(canonical.c_str(), &info) == 0;

  const MountEntry* best = nullptr;
  bool bestMatchesDevice = false;
  for (const auto& entry : entries_) {
    if (!containsPath(entry.mountPoint, canonical)) continue;
    const bool matchesDevice = haveDevice && entry.device == info.st_dev;
    if (!best || (matchesDevice && !bestMatchesDevice) ||
        (matchesDevice == bestMatchesDevice && entry.mountPoint.size() >= best->mountPoint.size())) {
      best = &entry;
      bestMatchesDevice = matchesDevice;
    }
  }
  if (!best) return std::nullopt;
  return *best;
}

}  // namespace tessorin
