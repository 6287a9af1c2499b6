#include "results/outcome/ResultFigures.hpp"

#include <cmath>
#include <limits>

#include "theme/text/DisplayFormat.hpp"
#include "tessorin/pattern/TestPattern.hpp"

namespace tessorin {

namespace {

constexpr std::int64_t largestSigned = std::numeric_limits<std::int64_t>::max();

}  // namespace

std::optional<std::uint64_t> ResultFigures::wideRangeEnd(const QuickProbeResult::CapacityRange& range) {
  if (range.upper < range.lower) return std::nullopt;
  if (range.upper - range.lower > range.lower / 20) return range.upper;
  return std::nullopt;
}

std::optional<std::uint64_t> ResultFigures::lostFrom(const CheckOutcome& outcome) {
  if (outcome.full || !outcome.quick) return std::nullopt;
  const std::optional<QuickProbeResult::CapacityRange> range = outcome.quick->realCapacityRange();
  if (!range) return std::nullopt;
  return wideRangeEnd(*range);
}

std::optional<std::uint64_t> ResultFigures::coveredBytes(const CheckOutcome& outcome) {
  if (outcome.full) return outcome.full->manifest.plannedBytes;
  if (outcome.quick) return outcome.quick->layout.totalBytes();
  return std::nullopt;
}

bool ResultFigures::testedOnlyPart(const CheckOutcome& outcome) {
  return outcome.full && (outcome.testedUnderHalf() || outcome.full->manifest.writeStop.isIOError());
}

std::int64_t ResultFigures::saturatingSum(std::initializer_list<std::int64_t> counts) {
  std::int64_t sum = 0;
  for (const std::int64_t count : counts) {
    if (count <= 0) continue;
    sum = count > largestSigned - sum ? largestSigned : sum + count;
  }
  return sum;
}

std::uint64_t ResultFigures::sectorBytes(std::int64_t sectors) {
  if (sectors <= 0) return 0;
  constexpr std::int64_t sectorSize = TestPattern::sectorSize;
  if (sectors > largestSigned / sectorSize) return static_cast<std::uint64_t>(largestSigned);
  return static_cast<std::uint64_t>(sectors * sectorSize);
}

std::uint64_t ResultFigures::cameBackEmptyBytes(const SectorTally& tally) {
  return sectorBytes(saturatingSum({tally.blank, tally.stale}));
}

std::uint64_t ResultFigures::cameBackWrongBytes(const SectorTally& tally) {
  return sectorBytes(saturatingSum({tally.misplaced, tally.corrupted, tally.unreadable}));
}

QString ResultFigures::speedText(double bytesPerSecond) {
  if (!std::isfinite(bytesPerSecond)) return DisplayFormat::missing();
  return DisplayFormat::formatSpeed(bytesPerSecond);
}

QString ResultFigures::speedText(std::optional<double> bytesPerSecond) {
  return bytesPerSecond ? speedText(*bytesPerSecond) : DisplayFormat::missing();
}

QString ResultFigures::durationText(double seconds) {
  if (!std::isfinite(seconds)) return DisplayFormat::missing();
  return DisplayFormat::durationText(seconds);
}

std::optional<QString> ResultFigures::nominalSizeDifferentFromClaim(std::uint64_t realBytes,
                                                                    std::uint64_t advertisedBytes) {
  std::optional<QString> nominal = DisplayFormat::advertisedSizeLabel(realBytes);
  if (nominal && *nominal == DisplayFormat::formatCapacity(advertisedBytes)) return std::nullopt;
  return nominal;
}

WriteRefusal ResultFigures::writeRefusal(const CheckOutcome& outcome) {
  if (outcome.full) return outcome.full->writeRefusal();
  return outcome.quick ? outcome.quick->writeRefusal() : WriteRefusal::none;
}

}  // namespace tessorin
