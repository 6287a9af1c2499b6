#include "tessorin/full/FullTestResult.hpp"

#include <algorithm>

#include "tessorin/pattern/TestPattern.hpp"

namespace tessorin {

namespace {

// `sectors` as a share of the sectors written from the first bad one on; 0 without one.
double shareAfterFirstBad(const FullTestResult& result, std::int64_t sectors) {
  const std::uint64_t written = result.manifest.writtenBytes();
  const auto& firstBad = result.tally.firstBadPosition;
  if (!firstBad || *firstBad >= written) return 0;
  const std::uint64_t sectorsAfter = (written - *firstBad) / TestPattern::sectorSize;
  // Less than one sector after the first bad one only happens with a hand-made manifest.
  return static_cast<double>(sectors) / static_cast<double>(std::max<std::uint64_t>(sectorsAfter, 1));
}

}  // namespace

double FullTestResult::okFractionAfterFirstBad() const { return shareAfterFirstBad(*this, tally.okAfterFirstBad); }

double FullTestResult::keptFractionAfterFirstBad() const {
  const auto cachedSectors = static_cast<std::int64_t>(cachedTailBytes() / TestPattern::sectorSize);
  return shareAfterFirstBad(*this, tally.okAfterFirstBad - cachedSectors);
}

std::uint64_t FullTestResult::cachedTailBytes() const {
  const std::uint64_t written = manifest.writtenBytes();
  if (!tally.firstBadPosition || !tally.lastBadEnd || *tally.lastBadEnd >= written) return 0;
  const std::uint64_t tail = written - *tally.lastBadEnd;
  const bool fitsACache = tail <= controllerCacheMaximum && tail <= tally.badBytes();
  return fitsACache ? tail : 0;
}

std::uint64_t FullTestResult::firstBadOrWritten() const {
  return tally.firstBadPosition.value_or(manifest.writtenBytes());
}

FullTestResult::Verdict FullTestResult::verdict() const {
  if (tally.misplaced > 0) return Verdict::fake;
  const std::int64_t bad = tally.badSectors();
  if (bad == 0) return manifest.writeStop.isIOError() ? Verdict::damaged : Verdict::passed;
  const std::uint64_t written = manifest.writtenBytes();
  const std::uint64_t startLimit = std::min(written / fakeStartDivisor, fakeStartLimitMaximum);
  const bool nothingAfterFirstBad = keptFractionAfterFirstBad() < fakeOkFractionBelow;
  const bool failsLateEnough = firstBadOrWritten() >= startLimit;
  const bool failsEnough = bad >= fakeBadSectorsAtLeast;
  return nothingAfterFirstBad && failsLateEnough && failsEnough ? Verdict::fake : Verdict::damaged;
}

std::optional<std::uint64_t> FullTestResult::realCapacity() const {
  switch (verdict()) {
    case Verdict::passed:
      return std::nullopt;
    case Verdict::fake:
      // The wrap distance is measured in the test's own byte space: how far a sector lay
      // from the position its content was written for. Where the file system lays the
      // test files out in order (exFAT on a card fresh from the shop) that is the card's
      // real size, whatever was in use before; where it does not (ext4) it is only a
      // distance within the test files, and the verdict holds but not the figure.
      if (tally.misplaced > 0 && tally.smallestWrapDistance) {
        return std::min(manifest.volumeBytes, *tally.smallestWrapDistance);
      }
      return manifest.usedBytesBefore + firstBadOrWritten();
    case Verdict::damaged:
      if (manifest.writeStop.isIOError() && tally.badSectors() == 0) {
        return manifest.usedBytesBefore + manifest.writeStop.position;
      }
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace tessorin
