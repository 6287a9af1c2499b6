#include "results/markings/UShape.hpp"

namespace tessorin {

QPainterPath UShape::path(const QRectF& rect) {
  const qreal radius = rect.width() / 2;
  QPainterPath path(rect.topLeft());
  path.lineTo(rect.left(), rect.bottom() - radius);
  // Qt counts angles counter-clockwise on screen from three o'clock: 180 → 360 runs
  // from the left through the bottom to the right.
  path.arcTo(QRectF(rect.left(), rect.bottom() - 2 * radius, 2 * radius, 2 * radius), 180, 180);
  path.lineTo(rect.topRight());
  return path;
}

}  // namespace tessorin
