#include "tessorin/posix/FileExtents.hpp"

#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

#include <cstring>

namespace tessorin {

namespace {

constexpr std::uint32_t extentsPerRequest = 64;

// Stretches whose device offset means nothing, or not yet.
constexpr std::uint32_t placeUnknown = FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC | FIEMAP_EXTENT_ENCODED |
                                       FIEMAP_EXTENT_DATA_ENCRYPTED | FIEMAP_EXTENT_NOT_ALIGNED |
                                       FIEMAP_EXTENT_DATA_INLINE | FIEMAP_EXTENT_DATA_TAIL;

// Up to `count` extents from `from` on; absent when the file system refuses the request.
std::optional<std::vector<struct fiemap_extent>> mapExtents(int fd, std::uint64_t from, std::uint32_t count,
                                                             std::uint32_t flags) {
  // The request is the map's header followed by room for the extents asked for.
  std::vector<unsigned char> request(sizeof(struct fiemap) + count * sizeof(struct fiemap_extent));
  struct fiemap header {};
  header.fm_start = from;
  header.fm_length = ~std::uint64_t{0} - from;
  header.fm_flags = flags;
  header.fm_extent_count = count;
  std::memcpy(request.data(), &header, sizeof header);
  if (::ioctl(fd, FS_IOC_FIEMAP, request.data()) != 0) return std::nullopt;
  std::memcpy(&header, request.data(), sizeof header);
  std::vector<struct fiemap_extent> extents(header.fm_mapped_extents);
  if (!extents.empty()) {
    std::memcpy(extents.data(), request.data() + sizeof header, extents.size() * sizeof(struct fiemap_extent));
  }
  return extents;
}

}  // namespace

std::optional<std::uint64_t> firstPhysicalOffset(int fd) {
  const auto extents = mapExtents(fd, 0, 1, 0);
  if (!extents || extents->empty()) return std::nullopt;
  return extents->front().fe_physical;
}

std::optional<std::vector<FileExtent>> fileExtents(int fd) {
  std::vector<FileExtent> stretches;
  for (std::uint64_t from = 0;;) {
    // Data still in the host's memory gets its place on the device first.
    const auto extents = mapExtents(fd, from, extentsPerRequest, FIEMAP_FLAG_SYNC);
    if (!extents) return std::nullopt;
    if (extents->empty()) return stretches;
    for (const struct fiemap_extent& extent : *extents) {
      if ((extent.fe_flags & placeUnknown) != 0) return std::nullopt;
      stretches.push_back({extent.fe_logical, extent.fe_physical, extent.fe_length});
      if ((extent.fe_flags & FIEMAP_EXTENT_LAST) != 0) return stretches;
    }
    const struct fiemap_extent& last = extents->back();
    if (last.fe_length == 0) return std::nullopt;  // a map that would never end
    from = last.fe_logical + last.fe_length;
  }
}

bool reservedUnwritten(int fd, std::uint64_t bytes) {
  std::uint64_t covered = 0;
  while (covered < bytes) {
    const auto extents = mapExtents(fd, covered, extentsPerRequest, 0);
    if (!extents || extents->empty()) return false;
    for (const struct fiemap_extent& extent : *extents) {
      // A hole before the extent, or a stretch holding data, is no reservation.
      if ((extent.fe_flags & FIEMAP_EXTENT_UNWRITTEN) == 0 || extent.fe_logical > covered) return false;
      const std::uint64_t end = extent.fe_logical + extent.fe_length;
      if (end <= covered) return false;  // a map that would never end
      covered = end;
      if (covered >= bytes) return true;
      if ((extent.fe_flags & FIEMAP_EXTENT_LAST) != 0) return false;
    }
  }
  return true;
}

}  // namespace tessorin
