#pragma once
// CardShapes: the outlines of the card picture, as paths for any rectangle: a full-size SD
// card seen from the front with its cut top-right corner, and the plastic body of a USB
// flash drive with the top 22 % left free for its metal plug. Every measure is a fraction
// of the rectangle, so the outline scales with the picture; the card's corners and cut
// follow the width alone. An empty rectangle gives a degenerate path. Pure; any thread.

#include <QPainterPath>
#include <QRectF>

namespace tessorin {

struct CardShapes {
  // Clockwise from just right of the top-left corner: straight edges, a 45-degree cut of
  // 0.24 x width at the top right, and three quadratic corners of 0.07 x width whose
  // control points are the rectangle's own corners.
  static QPainterPath sdCard(const QRectF& rect);
  // A rounded rectangle of corner radius 0.16 x width over the lower 78 % of the rectangle.
  static QPainterPath flashDriveBody(const QRectF& rect);
  // The fraction of the height that flashDriveBody leaves to the plug.
  static constexpr double plugFraction = 0.22;
};

}  // namespace tessorin
