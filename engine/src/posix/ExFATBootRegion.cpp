#include "ExFATBootRegion.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tessorin {

namespace {

constexpr std::size_t bootSectorBytes = 512;
constexpr std::uint8_t labelEntry = 0x83;
constexpr std::uint8_t endOfDirectory = 0x00;
constexpr std::size_t entryBytes = 32;
constexpr std::uint32_t firstCluster = 2;
constexpr std::uint32_t lastValidCluster = 0xFFFFFFF6;
// The label is among the root directory's first entries; a chain longer than this is
// not a root directory worth following.
constexpr int clustersToSearch = 16;
constexpr std::size_t labelUnits = 11;

std::uint32_t little32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

bool readAt(int device, void* buffer, std::size_t count, std::uint64_t offset) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(device, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

void appendUtf8(std::string& text, std::uint32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | code >> 6);
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | code >> 12);
    text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | code >> 18);
    text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// UTF-16LE units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8FromUtf16(const unsigned char* units, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t code = units[2 * i] | units[2 * i + 1] << 8;
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < count) {
      const std::uint32_t low = units[2 * i + 2] | units[2 * i + 3] << 8;
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      } else {
        code = 0xFFFD;
      }
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    appendUtf8(text, code);
  }
  return text;
}

struct Geometry {
  std::uint64_t sectorBytes = 0;
  std::uint64_t clusterBytes = 0;
  std::uint64_t fatOffset = 0;          // bytes
  std::uint64_t clusterHeapOffset = 0;  // bytes
  std::uint32_t clusterCount = 0;
  std::uint32_t rootCluster = 0;
};

std::optional<std::string> findLabel(int device, const Geometry& geometry) {
  std::vector<unsigned char> cluster(geometry.clusterBytes);
  std::uint32_t current = geometry.rootCluster;
  for (int searched = 0; searched < clustersToSearch; ++searched) {
    if (current < firstCluster || current - firstCluster >= geometry.clusterCount) return std::nullopt;
    const std::uint64_t offset = geometry.clusterHeapOffset + (current - firstCluster) * geometry.clusterBytes;
    if (!readAt(device, cluster.data(), cluster.size(), offset)) return std::nullopt;
    for (std::size_t at = 0; at + entryBytes <= cluster.size(); at += entryBytes) {
      const unsigned char* entry = cluster.data() + at;
      if (entry[0] == endOfDirectory) return std::string();
      if (entry[0] != labelEntry) continue;
      return utf8FromUtf16(entry + 2, std::min<std::size_t>(entry[1], labelUnits));
    }
    unsigned char next[4];
    if (!readAt(device, next, sizeof next, geometry.fatOffset + std::uint64_t{current} * 4)) return std::nullopt;
    current = little32(next);
    if (current > lastValidCluster) return std::string();
  }
  return std::string();
}

}  // namespace

std::optional<ExFATIdentity> readExFATBootRegion(int device) {
  unsigned char boot[bootSectorBytes];
  if (!readAt(device, boot, sizeof boot, 0)) return std::nullopt;
  if (std::memcmp(boot + 3, "EXFAT   ", 8) != 0 || boot[510] != 0x55 || boot[511] != 0xAA) return std::nullopt;
  const unsigned sectorShift = boot[108];
  const unsigned clusterShift = boot[109];
  if (sectorShift < 9 || sectorShift > 12 || clusterShift > 25 - sectorShift) return std::nullopt;

  Geometry geometry;
  geometry.sectorBytes = std::uint64_t{1} << sectorShift;
  geometry.clusterBytes = geometry.sectorBytes << clusterShift;
  geometry.fatOffset = little32(boot + 80) * geometry.sectorBytes;
  geometry.clusterHeapOffset = little32(boot + 88) * geometry.sectorBytes;
  geometry.clusterCount = little32(boot + 92);
  geometry.rootCluster = little32(boot + 96);

  ExFATIdentity identity;
  char uuid[10];
  std::snprintf(uuid, sizeof uuid, "%02X%02X-%02X%02X", boot[103], boot[102], boot[101], boot[100]);
  identity.uuid = uuid;
  // A label that cannot be read leaves the volume nameless, not unknown.
  identity.label = findLabel(device, geometry).value_or(std::string());
  return identity;
}

}  // namespace tessorin
