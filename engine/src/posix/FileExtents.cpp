#include "tessorin/posix/FileExtents.hpp"

#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

#include <cstring>

namespace tessorin {

std::optional<std::uint64_t> firstPhysicalOffset(int fd) {
  // The request is the map's header followed by room for the one extent asked for.
  alignas(struct fiemap) unsigned char request[sizeof(struct fiemap) + sizeof(struct fiemap_extent)] = {};
  auto* map = reinterpret_cast<struct fiemap*>(request);
  map->fm_start = 0;
  map->fm_length = ~std::uint64_t{0};
  map->fm_extent_count = 1;
  if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents == 0) return std::nullopt;
  struct fiemap_extent extent;
  std::memcpy(&extent, request + sizeof(struct fiemap), sizeof extent);
  return extent.fe_physical;
}

}  // namespace tessorin
