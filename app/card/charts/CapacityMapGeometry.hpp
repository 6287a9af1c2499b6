#pragma once
// CapacityMapGeometry: where each cell of the card map is drawn for a given width: square
// cells 2.5 apart, laid out row by row from the top-leading corner, with corners rounded
// to a quarter of their side; the map's height follows from its width (the aspect ratio
// columns ÷ rows). A column count below 1 is taken as 1 and a last row that is not full
// still counts as a row, so no count divides by zero or loses cells. Pure; any thread.

#include <cstddef>
#include <vector>

#include <QRectF>

namespace tessorin {

struct CapacityMapGeometry {
  static constexpr double gap = 2.5;

  int columns = 1;
  int rows = 0;
  double side = 0;    // of one cell
  double radius = 0;  // of its corners
  double height = 0;  // of the whole map
  std::vector<QRectF> cells;

  static CapacityMapGeometry layout(double width, int columns, std::size_t cellCount);
};

}  // namespace tessorin
