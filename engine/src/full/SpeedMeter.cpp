#include "tessorin/full/SpeedMeter.hpp"

#include <algorithm>
#include <chrono>
#include <utility>

namespace tessorin {

double SpeedMeter::now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::uint64_t SpeedMeter::intervalFor(std::uint64_t plannedBytes) {
  return std::max(minimumInterval, plannedBytes / samplesPerPhase);
}

SpeedMeter::SpeedMeter(std::uint64_t plannedBytes, double now)
    : interval(intervalFor(plannedBytes)), lastSampleTime(now), startTime(now) {
  samples.reserve(samplesPerPhase + 2);
}

bool SpeedMeter::addChunk(std::uint64_t bytes, std::uint64_t endPosition) {
  bytesSinceSample += bytes;
  totalBytes += bytes;
  position = endPosition;
  return bytesSinceSample >= interval;
}

void SpeedMeter::closeInterval(double now) {
  const double seconds = std::max(now - lastSampleTime, shortestInterval);
  lastSpeed = static_cast<double>(bytesSinceSample) / seconds;
  samples.push_back({position, lastSpeed});
  newSamples.push_back({position, lastSpeed});
  bytesSinceSample = 0;
  lastSampleTime = now;
}

void SpeedMeter::finish(double now) {
  if (bytesSinceSample > 0) closeInterval(now);
}

std::vector<SpeedSample> SpeedMeter::takeNewSamples() { return std::exchange(newSamples, {}); }

SpeedSummary SpeedMeter::summary(double now) const {
  SpeedSummary summary;
  const double elapsed = now - startTime;
  if (elapsed > 0) summary.average = static_cast<double>(totalBytes) / elapsed;
  if (!samples.empty()) {
    const auto [slowest, fastest] = std::minmax_element(
        samples.begin(), samples.end(), [](const auto& a, const auto& b) { return a.bytesPerSecond < b.bytesPerSecond; });
    summary.minimum = slowest->bytesPerSecond;
    summary.maximum = fastest->bytesPerSecond;
  }
  return summary;
}

}  // namespace tessorin
