#pragma once
// ZoneResult: what one run of the speed zone test measured: bytes written, write and
// read times with per-segment speeds, the tally of the read-back, whether writing
// failed, and the random 4 KiB operations per second. A plain value, safe to copy to
// any thread.

#include <cstdint>
#include <optional>
#include <vector>

#include "tessorin/pattern/SectorTally.hpp"

namespace tessorin {

struct ZoneResult {
  std::uint64_t bytes = 0;                // written, whole chunks only
  double writeSeconds = 0;                // start of writing to the end of the last segment's sync
  std::vector<double> writeSegments;      // bytes per second of each segment; the last may be partial
  double readSeconds = 0;
  std::vector<double> readSegments;       // bytes per second of each read-back segment
  SectorTally tally;                      // positions are offsets in the zone file
  bool writeFailed = false;               // an error other than a full volume ended writing
  std::uint64_t checkedBytes = 0;         // covered by the read-back; below `bytes` when it stopped early
  std::optional<double> randomReadIOPS;   // absent when the random phase did not run or its reads failed
  std::optional<double> randomWriteIOPS;
  // False where the computer's copy of the card could not be dropped before the read-back
  // (an ordinary user's FUSE volume): the read speeds may be memory's, not the card's, and
  // the random reads were not taken.
  bool readBackReachedCard = true;
  // The card did not answer a read of its device around the read-back (gone from its
  // reader, or hung, while its volume stayed mounted): the read-back timed its failures
  // and reached nothing (readBackReachedCard false).
  bool cardStoppedAnswering = false;

  // Every field in order; the read-back is taken to cover all bytes unless checkedBytes
  // says otherwise.
  static ZoneResult make(std::uint64_t bytes, double writeSeconds, std::vector<double> writeSegments,
                         double readSeconds, std::vector<double> readSegments, SectorTally tally, bool writeFailed,
                         std::optional<std::uint64_t> checkedBytes = std::nullopt,
                         std::optional<double> randomReadIOPS = std::nullopt,
                         std::optional<double> randomWriteIOPS = std::nullopt);

  // Bytes per second; 0 when no time was measured.
  double writeSpeed() const;
  double readSpeed() const;
  // The upper middle segment for an even count; 0 without segments.
  double medianWriteSegment() const;
  double minimumWriteSegment() const;
  double maximumReadSegment() const;
  // Segments below a quarter of the median: the card stalled while writing them.
  std::int64_t stalledSegmentCount() const;
  // Bad sectors among all checked; 0 when nothing was checked.
  double badFraction() const;
  bool isClean() const { return tally.badSectors() == 0 && !writeFailed; }

  friend bool operator==(const ZoneResult&, const ZoneResult&) = default;
};

}  // namespace tessorin
