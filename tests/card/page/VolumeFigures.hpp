#pragma once
// volume(): a volume reading with only its size and free space set, for the page
// presenters' tests of storage captions and erase questions.

#include <cstdint>

#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

inline VolumeStats volume(std::uint64_t total, std::uint64_t available) {
  VolumeStats stats;
  stats.totalBytes = total;
  stats.availableBytes = available;
  return stats;
}

}  // namespace tessorin
