#include "tessorin/full/FullTestResult.hpp"

#include <algorithm>

#include "tessorin/pattern/TestPattern.hpp"

namespace tessorin {

namespace {

// `sectors` as a share of the sectors written from the first bad one on the card on; 0
// without one.
double shareAfterFirstBad(const FullTestResult& result, std::int64_t sectors) {
  const std::uint64_t written = result.manifest.writtenBytes();
  const auto& firstBad = result.cardOrderTally().firstBadPosition;
  if (!firstBad || *firstBad >= written) return 0;
  const std::uint64_t sectorsAfter = (written - *firstBad) / TestPattern::sectorSize;
  // Less than one sector after the first bad one only happens with a hand-made manifest.
  return static_cast<double>(sectors) / static_cast<double>(std::max<std::uint64_t>(sectorsAfter, 1));
}

// Whether `value` lies more than the tolerated share above `figure`.
bool exceeds(std::uint64_t value, std::uint64_t figure) {
  return static_cast<double>(value) > static_cast<double>(figure) * (1 + FullTestResult::capacityTolerance);
}

}  // namespace

double FullTestResult::okFractionAfterFirstBad() const {
  return shareAfterFirstBad(*this, cardOrderTally().okAfterFirstBad);
}

double FullTestResult::keptFractionAfterFirstBad() const {
  // In writing order the cached run comes after the first bad sector; on the device it
  // lies wherever the file system put the last files.
  const auto cachedSectors = deviceOrder ? deviceOrder->cachedAfterFirstBad
                                         : static_cast<std::int64_t>(cachedTailBytes() / TestPattern::sectorSize);
  return shareAfterFirstBad(*this, cardOrderTally().okAfterFirstBad - cachedSectors);
}

std::uint64_t FullTestResult::cachedTailBytes() const {
  const std::uint64_t written = manifest.writtenBytes();
  if (!tally.firstBadPosition || !tally.lastBadEnd || *tally.lastBadEnd >= written) return 0;
  const std::uint64_t tail = written - *tally.lastBadEnd;
  const bool fitsACache = tail <= controllerCacheMaximum && tail <= tally.badBytes();
  return fitsACache ? tail : 0;
}

std::optional<std::uint64_t> FullTestResult::wrapDistance() const {
  std::optional<std::uint64_t> distance;
  if (cardOrderTally().misplaced > 0) distance = cardOrderTally().smallestWrapRunDistance;
  if (deviceStart.provesWrap() && deviceStart.wrapDistance) {
    distance = std::min(distance.value_or(*deviceStart.wrapDistance), *deviceStart.wrapDistance);
  }
  return distance;
}

WriteRefusal FullTestResult::writeRefusal() const {
  if (!manifest.writeStop.isIOError()) return WriteRefusal::none;
  // A fake loses what is saved past its end, whatever its file system did when it broke.
  if (verdict() == Verdict::fake) return WriteRefusal::losesData;
  // The host's copy holds what was written intact: a lost sector came from the card.
  if (tally.lostSectors() > 0 || pastStop.lostSectors() > 0) return WriteRefusal::losesData;
  return readBackReachedCard ? WriteRefusal::readOnly : WriteRefusal::keptUnknown;
}

std::uint64_t FullTestResult::firstBadOrWritten() const {
  return cardOrderTally().firstBadPosition.value_or(manifest.writtenBytes());
}

bool FullTestResult::refusesOnlyPastStop() const {
  // Only a read-back that reached the card shows it kept what it took.
  if (!manifest.writeStop.isIOError() || !manifest.writesTakenBelowStop || tally.badSectors() > 0 ||
      !readBackReachedCard) {
    return false;
  }
  // A card that stops taking writes this near its start is failing, whatever it does
  // below that place.
  const std::uint64_t startLimit = std::min(manifest.plannedBytes / fakeStartDivisor, fakeStartLimitMaximum);
  return manifest.writeStop.position >= startLimit;
}

std::uint64_t FullTestResult::stopPlace() const {
  return structureBytes() + manifest.usedBytesBefore + manifest.writeStop.position;
}

FullTestResult::Verdict FullTestResult::verdict() const {
  const bool wrapped = cardOrderTally().misplaced > 0 || deviceStart.provesWrap();
  // The host's copy of the card holds at each place what was written for that place, and
  // the device's start is read past it: data written for another place came from the
  // card. The sectors the copy still held read back intact wherever they lie, though, so
  // neither the share kept past the first bad one nor where keeping stopped is the card's.
  if (!readBackReachedCard) return wrapped ? Verdict::fake : Verdict::unconfirmed;
  if (wrapped || refusesOnlyPastStop()) return Verdict::fake;
  const std::int64_t bad = tally.badSectors();
  if (bad == 0) {
    if (manifest.writeStop.isIOError()) return Verdict::damaged;
    return Verdict::passed;
  }
  const std::uint64_t written = manifest.writtenBytes();
  const std::uint64_t startLimit = std::min(written / fakeStartDivisor, fakeStartLimitMaximum);
  const bool nothingAfterFirstBad = keptFractionAfterFirstBad() < fakeOkFractionBelow;
  const bool failsLateEnough = firstBadOrWritten() >= startLimit;
  const bool failsEnough = bad >= fakeBadSectorsAtLeast;
  return nothingAfterFirstBad && failsLateEnough && failsEnough ? Verdict::fake : Verdict::damaged;
}

std::uint64_t FullTestResult::structureBytes() const {
  if (!deviceBytes || *deviceBytes <= manifest.volumeBytes) return 0;
  return *deviceBytes - manifest.volumeBytes;
}

std::uint64_t FullTestResult::usedBytesKept() const {
  const std::uint64_t used = manifest.usedBytesBefore;
  const auto distance = wrapDistance();
  if (!distance) return used;
  // What was written past the real end landed on the card from its start on, over the
  // bytes in use before the test, which lie ahead of its files: the test's sectors hold
  // those places now and are counted among the ok ones.
  const std::uint64_t reach = used + manifest.writtenBytes();
  return reach > *distance ? used - std::min(used, reach - *distance) : used;
}

std::uint64_t FullTestResult::keptBytes() const {
  const std::uint64_t okBytes = tally.okBytes();
  const std::uint64_t kept = usedBytesKept() + okBytes - std::min(okBytes, cachedTailBytes());
  // Sectors that wrapped have overwritten the structures, and are counted among the ok.
  return wrapDistance() ? kept : kept + structureBytes();
}

std::optional<std::uint64_t> FullTestResult::realCapacity() const {
  switch (verdict()) {
    case Verdict::passed:
    case Verdict::unconfirmed:
      return std::nullopt;
    case Verdict::fake: {
      if (!readBackReachedCard) return wrapSizeProvenByMisplacedData();
      // The wrap distance is how far a sector lay on the device from where its content
      // was written for: the card's real size. Where the extent map told no places, it
      // is measured in the test's own byte space (or, found on the device's start, in
      // the device's), and where the file system lays the test files out in order
      // (exFAT on a card fresh from the shop) that is the same, and the first lost
      // position past the structures and the files in use is where keeping stopped.
      // A card that takes writes up to a place and refuses every one past it, and kept
      // all it took, ends there.
      if (refusesOnlyPastStop()) return stopPlace();
      const std::uint64_t kept = keptBytes();
      if (const auto distance = wrapDistance()) {
        const std::uint64_t figure = std::min(manifest.volumeBytes, *distance);
        return exceeds(kept, figure) ? std::nullopt : std::optional(figure);
      }
      // Where the device's order is known, the first lost sector's place is where
      // keeping stopped, exactly; the bytes kept, which count the file system's
      // structures wherever they lie, only have to agree with it.
      const bool lostPlaceKnown = deviceOrder && deviceOrder->firstBadOffset;
      const std::uint64_t lostFrom = lostPlaceKnown ? *deviceOrder->firstBadOffset
                                                    : structureBytes() + manifest.usedBytesBefore + firstBadOrWritten();
      if (exceeds(kept, lostFrom) || exceeds(lostFrom, kept)) return std::nullopt;
      return lostPlaceKnown ? lostFrom : kept;
    }
    case Verdict::damaged:
      // A card that refused further writes and kept everything it took holds at least
      // what it took, from the start of the card.
      if (manifest.writeStop.isIOError() && tally.badSectors() == 0) return stopPlace();
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::uint64_t> FullTestResult::wrapSizeProvenByMisplacedData() const {
  // The argument below needs positions in the files to be places on the card; where the
  // extent map told the files' places, they may lie in any order there.
  if (deviceOrder) return std::nullopt;
  const std::uint64_t written = manifest.writtenBytes();
  const auto& divisor = tally.wrapRunDistanceDivisor;
  const auto& lowestSource = tally.lowestWrapRunSource;
  if (!divisor || !lowestSource || *lowestSource >= written) return std::nullopt;
  // A wrap moves each sector by a whole multiple of the real size, but which multiples
  // show depends on the places the host's copy let go of: only those came back from the
  // card. So the distances' divisor is a multiple of the real size, perhaps a larger one.
  // What came back from a place is what was written to it last: nothing written after
  // that content reached the place again, so the card holds at least what was written
  // from there to the end. Holding more than half of the divisor, it holds the divisor
  // itself; holding more than all of it, the distances are no wrap's.
  const std::uint64_t holdsAtLeast = written - *lowestSource;
  if (holdsAtLeast > *divisor || holdsAtLeast <= *divisor / 2) return std::nullopt;
  return std::min(manifest.volumeBytes, *divisor);
}

}  // namespace tessorin
