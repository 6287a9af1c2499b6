#include "card/artwork/CardShapes.hpp"

namespace tessorin {

QPainterPath CardShapes::sdCard(const QRectF& rect) {
  const double width = rect.width();
  const double corner = 0.07 * width;
  const double cut = 0.24 * width;
  const double left = rect.left();
  const double top = rect.top();
  const double right = rect.right();
  const double bottom = rect.bottom();

  QPainterPath path;
  path.moveTo(left + corner, top);
  path.lineTo(right - cut, top);
  path.lineTo(right, top + cut);
  path.lineTo(right, bottom - corner);
  path.quadTo(right, bottom, right - corner, bottom);
  path.lineTo(left + corner, bottom);
  path.quadTo(left, bottom, left, bottom - corner);
  path.lineTo(left, top + corner);
  path.quadTo(left, top, left + corner, top);
  path.closeSubpath();
  return path;
}

QPainterPath CardShapes::flashDriveBody(const QRectF& rect) {
  const double inset = plugFraction * rect.height();
  const QRectF body(rect.left(), rect.top() + inset, rect.width(), rect.height() - inset);
  const double radius = 0.16 * rect.width();
  QPainterPath path;
  path.addRoundedRect(body, radius, radius);
  return path;
}

}  // namespace tessorin
