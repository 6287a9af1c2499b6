#include "tessorin/zone/ZoneResult.hpp"

#include <algorithm>

namespace tessorin {

ZoneResult ZoneResult::make(std::uint64_t bytes, double writeSeconds, std::vector<double> writeSegments,
                            double readSeconds, std::vector<double> readSegments, SectorTally tally,
                            bool writeFailed, std::optional<std::uint64_t> checkedBytes,
                            std::optional<double> randomReadIOPS, std::optional<double> randomWriteIOPS) {
  ZoneResult result;
  result.bytes = bytes;
  result.writeSeconds = writeSeconds;
  result.writeSegments = std::move(writeSegments);
  result.readSeconds = readSeconds;
  result.readSegments = std::move(readSegments);
  result.tally = tally;
  result.writeFailed = writeFailed;
  result.checkedBytes = checkedBytes.value_or(bytes);
  result.randomReadIOPS = randomReadIOPS;
  result.randomWriteIOPS = randomWriteIOPS;
  return result;
}

double ZoneResult::writeSpeed() const { return writeSeconds > 0 ? static_cast<double>(bytes) / writeSeconds : 0; }

double ZoneResult::readSpeed() const {
  return readSeconds > 0 ? static_cast<double>(checkedBytes) / readSeconds : 0;
}

double ZoneResult::medianWriteSegment() const {
  if (writeSegments.empty()) return 0;
  std::vector<double> sorted = writeSegments;
  const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
  std::nth_element(sorted.begin(), middle, sorted.end());
  return *middle;
}

double ZoneResult::minimumWriteSegment() const {
  return writeSegments.empty() ? 0 : *std::min_element(writeSegments.begin(), writeSegments.end());
}

double ZoneResult::maximumReadSegment() const {
  return readSegments.empty() ? 0 : *std::max_element(readSegments.begin(), readSegments.end());
}

std::int64_t ZoneResult::stalledSegmentCount() const {
  const double threshold = 0.25 * medianWriteSegment();
  return std::count_if(writeSegments.begin(), writeSegments.end(), [threshold](double speed) { return speed < threshold; });
}

double ZoneResult::badFraction() const {
  const std::int64_t checked = tally.checkedSectors();
  if (checked <= 0) return 0;
  return static_cast<double>(tally.badSectors()) / static_cast<double>(checked);
}

}  // namespace tessorin
