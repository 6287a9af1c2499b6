#include "results/markings/VGlyph.hpp"

#include <array>

#include <QPolygonF>

namespace tessorin {

QPainterPath VGlyph::path(const QRectF& rect) {
  // Corners as fractions of the width (from the left) and the height (from the top).
  static constexpr std::array<std::array<qreal, 2>, 7> corners = {
      {{0, 0}, {0.2, 0}, {0.5, 0.7}, {0.7, 0}, {1, 0}, {0.62, 1}, {0.4, 1}}};
  QPolygonF polygon;
  for (const auto& [x, y] : corners) polygon << QPointF(rect.left() + x * rect.width(), rect.top() + y * rect.height());
  QPainterPath path;
  path.addPolygon(polygon);
  path.closeSubpath();
  return path;
}

}  // namespace tessorin
