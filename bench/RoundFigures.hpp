#pragma once
// The figures a benchmark draws from its rounds. Other work on the machine only ever
// slows a round down, so a round is judged by its best, and the median is printed
// beside it to show how far the load pulled the rest.

#include <algorithm>
#include <vector>

namespace tessorin::bench {

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

inline double best(const std::vector<double>& values) { return *std::max_element(values.begin(), values.end()); }

// Decimal megabytes per second, as speeds are shown.
inline double megabytes(double bytesPerSecond) { return bytesPerSecond / 1e6; }

}  // namespace tessorin::bench
