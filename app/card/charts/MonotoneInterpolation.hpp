#pragma once
// MonotoneInterpolation: smooths a polyline by monotone cubic Hermite interpolation
// (Fritsch–Carlson), so that between two samples the curve never rises above the higher
// nor falls below the lower of them; the chart library's own spline overshoots (between
// samples of 80 and 70 it rose to about 82). Each segment gets at most `perSegment`
// points, the sample itself included; the last sample ends the line. Where x does not
// increase the segment stays straight. Pure; any thread.

#include <vector>

#include <QList>
#include <QPointF>

namespace tessorin::monotone_interpolation {

constexpr int maximumPointsPerSegment = 4;
// A chart a few hundred pixels wide shows no more than this many points of one series.
constexpr std::size_t pointBudget = 640;

QList<QPointF> densify(const std::vector<QPointF>& samples, int perSegment);
// Up to four points per segment, fewer when a long series would exceed the budget: each
// point costs the chart time to lay out.
int pointsPerSegment(std::size_t sampleCount);

}  // namespace tessorin::monotone_interpolation
