#include "theme/PanelShape.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tessorin::panelshape {

std::vector<QPointF> outline(const QRectF& rect, double radius, double outward, int stepsPerCorner) {
  const QRectF moved = rect.adjusted(-outward, -outward, outward, outward);
  const double corner = std::clamp(radius + outward, 0.0, std::min(moved.width(), moved.height()) / 2);
  // Each corner's centre and the angle its arc starts at, clockwise from the top-left one.
  const struct {
    QPointF centre;
    double from;
  } corners[] = {
      {{moved.left() + corner, moved.top() + corner}, std::numbers::pi},
      {{moved.right() - corner, moved.top() + corner}, 1.5 * std::numbers::pi},
      {{moved.right() - corner, moved.bottom() - corner}, 0},
      {{moved.left() + corner, moved.bottom() - corner}, 0.5 * std::numbers::pi},
  };
  std::vector<QPointF> points;
  points.reserve(static_cast<std::size_t>(4 * (stepsPerCorner + 1)));
  for (const auto& [centre, from] : corners) {
    for (int step = 0; step <= stepsPerCorner; ++step) {
      const double angle = from + 0.5 * std::numbers::pi * step / stepsPerCorner;
      points.emplace_back(centre.x() + corner * std::cos(angle), centre.y() + corner * std::sin(angle));
    }
  }
  return points;
}

QColor washedSurface(const QRectF& rect, const QPointF& point, const QColor& surface, const QColor& tint) {
  if (tint.alpha() == 0) return surface;
  // How far along the diagonal the point's projection lies, 0 at the top-left corner.
  const QPointF diagonal(rect.width(), rect.height());
  const double length = QPointF::dotProduct(diagonal, diagonal);
  const double along =
      length > 0 ? std::clamp(QPointF::dotProduct(point - rect.topLeft(), diagonal) / length, 0.0, 1.0) : 0;
  QColor wash = tint;
  wash.setAlphaF(static_cast<float>(washStart + (washEnd - washStart) * along));
  return laidOver(wash, surface);
}

QColor laidOver(const QColor& over, const QColor& under) {
  const double alpha = over.alphaF();
  const auto mix = [alpha](double top, double bottom) { return static_cast<float>(top * alpha + bottom * (1 - alpha)); };
  const double underAlpha = under.alphaF();
  return QColor::fromRgbF(mix(over.redF(), under.redF()), mix(over.greenF(), under.greenF()),
                          mix(over.blueF(), under.blueF()), static_cast<float>(alpha + underAlpha * (1 - alpha)));
}

double shadowAlpha(double outward) {
  // The blurred edge of a shape: the normal distribution's share beyond `outward`.
  const double share = 0.5 * std::erfc(outward / (shadowDeviation * std::numbers::sqrt2));
  return shadowStrength * share;
}

}  // namespace tessorin::panelshape
