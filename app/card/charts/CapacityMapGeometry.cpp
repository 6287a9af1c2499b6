#include "card/charts/CapacityMapGeometry.hpp"

#include <algorithm>
#include <cmath>

namespace tessorin {

CapacityMapGeometry CapacityMapGeometry::layout(double width, int columns, std::size_t cellCount) {
  CapacityMapGeometry geometry;
  const double w = std::isfinite(width) ? std::max(0.0, width) : 0.0;
  geometry.columns = std::max(1, columns);
  const auto perRow = static_cast<std::size_t>(geometry.columns);
  geometry.rows = static_cast<int>((cellCount + perRow - 1) / perRow);
  geometry.side = std::max(0.0, (w - gap * (geometry.columns - 1)) / geometry.columns);
  geometry.radius = 0.25 * geometry.side;
  geometry.height = geometry.rows == 0 ? 0 : w * geometry.rows / geometry.columns;
  const double pitch = geometry.side + gap;
  geometry.cells.reserve(cellCount);
  for (std::size_t i = 0; i < cellCount; ++i) {
    const auto row = static_cast<double>(i / perRow);
    const auto column = static_cast<double>(i % perRow);
    geometry.cells.emplace_back(column * pitch, row * pitch, geometry.side, geometry.side);
  }
  return geometry;
}

}  // namespace tessorin
