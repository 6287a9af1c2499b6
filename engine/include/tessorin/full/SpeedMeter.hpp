#pragma once
// SpeedMeter: the speed measurement of one phase of the advanced test. The phase counts
// each chunk in; once an interval's worth of bytes has passed, it closes the interval,
// which yields one SpeedSample. The interval grows with the test so that a phase gives
// about 300 samples whatever the card's size. Lives on the worker thread of one run.
//
// Times are seconds on the monotonic clock: a wall-clock jump during a test that runs
// for hours must not give negative or absurd speeds.

#include <cstdint>
#include <vector>

#include "tessorin/full/SpeedSample.hpp"
#include "tessorin/full/SpeedSummary.hpp"

namespace tessorin {

struct SpeedMeter {
  static constexpr std::uint64_t minimumInterval = 8'388'608;
  static constexpr std::uint64_t samplesPerPhase = 300;
  // An interval closed within the clock's resolution still gives a finite speed.
  static constexpr double shortestInterval = 0.000001;

  std::uint64_t interval = minimumInterval;
  std::vector<SpeedSample> samples;
  std::vector<SpeedSample> newSamples;  // taken since the last progress report
  std::uint64_t bytesSinceSample = 0;
  double lastSampleTime = 0;
  double startTime = 0;
  std::uint64_t totalBytes = 0;
  std::uint64_t position = 0;
  double lastSpeed = 0;

  // Seconds since an arbitrary fixed point, never going backwards.
  static double now();
  static std::uint64_t intervalFor(std::uint64_t plannedBytes);

  SpeedMeter(std::uint64_t plannedBytes, double now);

  // Counts one chunk that ended at endPosition; true once the interval is full and
  // should be closed (after the writer's sync, so that the sample includes it).
  bool addChunk(std::uint64_t bytes, std::uint64_t endPosition);
  void closeInterval(double now);
  // Closes the last, partial interval, if anything was counted since the last sample.
  void finish(double now);
  // Hands over the samples taken since the last call.
  std::vector<SpeedSample> takeNewSamples();
  SpeedSummary summary(double now) const;
};

}  // namespace tessorin
