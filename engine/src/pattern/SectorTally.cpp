#include "tessorin/pattern/SectorTally.hpp"

#include <algorithm>
#include <limits>
#include <numeric>

namespace tessorin {

bool SectorTally::WrapRun::completes(std::uint64_t position, std::uint64_t distance) {
  const bool continues = length_ > 0 && distance == distance_ && position == next_;
  length_ = continues ? length_ + 1 : 1;
  distance_ = distance;
  next_ = position + TestPattern::sectorSize;
  return length_ == wrapRunSectors;
}

void SectorTally::noteWrap(std::uint64_t position, std::uint64_t source, std::uint64_t distance, WrapRun* run) {
  if (!smallestWrapDistance || distance < *smallestWrapDistance) smallestWrapDistance = distance;
  if (!run || !run->completes(position, distance)) return;
  if (!smallestWrapRunDistance || distance < *smallestWrapRunDistance) smallestWrapRunDistance = distance;
  wrapRunDistanceDivisor = wrapRunDistanceDivisor ? std::gcd(*wrapRunDistanceDivisor, distance) : distance;
  // Position and source move on together through a run: its first sector's content was
  // written for a place as many sectors below this one's source as the run is long.
  const std::uint64_t runBehind = static_cast<std::uint64_t>(wrapRunSectors - 1) * TestPattern::sectorSize;
  const std::uint64_t runStartSource = source - std::min(source, runBehind);
  if (!lowestWrapRunSource || runStartSource < *lowestWrapRunSource) lowestWrapRunSource = runStartSource;
}

void SectorTally::record(const SectorStatus& status, std::uint64_t position, WrapRun* run) {
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
        noteWrap(position, status.source, distance, run);
      }
      break;
    }
  }
  noteBad(position, position + TestPattern::sectorSize);
}

std::int64_t SectorTally::saturatingSum(std::int64_t a, std::int64_t b) {
  // Counts are never negative; a manifest from elsewhere may still describe more sectors
  // than 64 bits count, and the tally then stops at the largest count.
  if (b > std::numeric_limits<std::int64_t>::max() - a) return std::numeric_limits<std::int64_t>::max();
  return a + b;
}

std::int64_t SectorTally::badSectors() const {
  return saturatingSum(saturatingSum(saturatingSum(saturatingSum(blank, stale), misplaced), corrupted), unreadable);
}

void SectorTally::recordUnreadable(std::int64_t count, std::uint64_t position) {
  if (count <= 0) return;
  unreadable = saturatingSum(unreadable, count);
  // A hand-made count past the end of the byte space stops at its end.
  const std::uint64_t sectors = static_cast<std::uint64_t>(count);
  const std::uint64_t room = (~std::uint64_t{0} - position) / TestPattern::sectorSize;
  noteBad(position, position + std::min(sectors, room) * TestPattern::sectorSize);
}

void SectorTally::noteBad(std::uint64_t position, std::uint64_t end) {
  if (!firstBadPosition || position < *firstBadPosition) firstBadPosition = position;
  if (!lastBadEnd || end > *lastBadEnd) lastBadEnd = end;
}

}  // namespace tessorin
