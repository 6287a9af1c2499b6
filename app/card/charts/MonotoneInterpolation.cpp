#include "card/charts/MonotoneInterpolation.hpp"

#include <algorithm>
#include <cmath>

namespace tessorin::monotone_interpolation {

namespace {

// The tangents of Fritsch and Carlson: the mean of the neighbouring secants, zero at a
// local extremum, and cut back where they would make the curve overshoot.
std::vector<double> tangents(const std::vector<QPointF>& p) {
  const std::size_t n = p.size();
  std::vector<double> secant(n - 1, 0);
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const double dx = p[i + 1].x() - p[i].x();
    secant[i] = dx > 0 ? (p[i + 1].y() - p[i].y()) / dx : 0;
  }
  std::vector<double> m(n, 0);
  m[0] = secant[0];
  m[n - 1] = secant[n - 2];
  for (std::size_t i = 1; i + 1 < n; ++i) {
    m[i] = secant[i - 1] * secant[i] <= 0 ? 0 : (secant[i - 1] + secant[i]) / 2;
  }
  for (std::size_t i = 0; i + 1 < n; ++i) {
    if (secant[i] == 0) {
      m[i] = 0;
      m[i + 1] = 0;
      continue;
    }
    const double a = m[i] / secant[i];
    const double b = m[i + 1] / secant[i];
    const double length = a * a + b * b;
    if (length > 9) {
      const double t = 3 / std::sqrt(length);
      m[i] = t * a * secant[i];
      m[i + 1] = t * b * secant[i];
    }
  }
  return m;
}

}  // namespace

int pointsPerSegment(std::size_t sampleCount) {
  if (sampleCount < 2) return 1;
  const std::size_t share = pointBudget / (sampleCount - 1);
  return static_cast<int>(std::clamp<std::size_t>(share, 1, maximumPointsPerSegment));
}

QList<QPointF> densify(const std::vector<QPointF>& samples, int perSegment) {
  QList<QPointF> points;
  const std::size_t n = samples.size();
  if (n < 3 || perSegment <= 1) {
    for (const QPointF& sample : samples) points.append(sample);
    return points;
  }
  const std::vector<double> m = tangents(samples);
  points.reserve(static_cast<qsizetype>((n - 1) * static_cast<std::size_t>(perSegment) + 1));
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const QPointF& a = samples[i];
    const QPointF& b = samples[i + 1];
    points.append(a);
    const double h = b.x() - a.x();
    if (!(h > 0)) continue;
    for (int k = 1; k < perSegment; ++k) {
      const double t = static_cast<double>(k) / perSegment;
      const double t2 = t * t;
      const double t3 = t2 * t;
      const double y = (2 * t3 - 3 * t2 + 1) * a.y() + (t3 - 2 * t2 + t) * h * m[i] + (-2 * t3 + 3 * t2) * b.y() +
                       (t3 - t2) * h * m[i + 1];
      points.append(QPointF(a.x() + t * h, y));
    }
  }
  points.append(samples.back());
  return points;
}

}  // namespace tessorin::monotone_interpolation
