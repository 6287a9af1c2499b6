#include "card/progress/ProgressFigures.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "theme/text/DisplayFormat.hpp"

namespace tessorin::progress_figures {

namespace {
constexpr std::uint64_t largestSigned = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
}

std::uint64_t saturatingProduct(std::int64_t count, std::uint64_t factor) {
  if (count <= 0 || factor == 0) return 0;
  const auto n = static_cast<std::uint64_t>(count);
  if (n > largestSigned / factor) return largestSigned;
  return n * factor;
}

QString mebibyteText(std::int64_t count) { return DisplayFormat::byteCountText(saturatingProduct(count, mebibyte)); }

double clampedFraction(double fraction) {
  if (!std::isfinite(fraction) || fraction <= 0) return 0;
  return std::min(1.0, fraction);
}

QString speedText(double bytesPerSecond) {
  if (!std::isfinite(bytesPerSecond) || bytesPerSecond <= 0) return DisplayFormat::missing();
  return DisplayFormat::formatSpeed(bytesPerSecond);
}

QString rateText(double operationsPerSecond) {
  if (!std::isfinite(operationsPerSecond) || operationsPerSecond <= 0) return DisplayFormat::missing();
  return DisplayFormat::operationsPerSecondText(operationsPerSecond);
}

}  // namespace tessorin::progress_figures
