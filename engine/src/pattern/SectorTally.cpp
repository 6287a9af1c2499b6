#include "tessorin/pattern/SectorTally.hpp"

namespace tessorin {

void SectorTally::record(const SectorStatus& status, std::uint64_t position) {
  switch (status.kind) {
    case SectorStatus::Kind::ok:
      ++ok;
      if (firstBadPosition) ++okAfterFirstBad;
      return;
    case SectorStatus::Kind::blank:
      ++blank;
      break;
    case SectorStatus::Kind::stale:
      ++stale;
      break;
    case SectorStatus::Kind::corrupted:
      ++corrupted;
      break;
    case SectorStatus::Kind::misplaced: {
      const std::uint64_t distance = status.source > position ? status.source - position : position - status.source;
      if (distance < minimumWrapDistance) {
        ++corrupted;
      } else {
        ++misplaced;
        if (!smallestWrapDistance || distance < *smallestWrapDistance) smallestWrapDistance = distance;
      }
      break;
    }
  }
  noteBad(position);
}

void SectorTally::recordUnreadable(std::int64_t count, std::uint64_t position) {
  unreadable += count;
  noteBad(position);
}

void SectorTally::noteBad(std::uint64_t position) {
  if (!firstBadPosition || position < *firstBadPosition) firstBadPosition = position;
}

}  // namespace tessorin
