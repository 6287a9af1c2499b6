#pragma once
// The panel's background as plain figures, for PanelBackdrop to turn into geometry: the
// outline of its rounded rectangle moved in or out, the tinted diagonal wash over its
// surface, its border over that, and the soft shadow's strength by distance from the
// shadow's edge. Pure functions, so the look can be tested without a window.

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <vector>

namespace tessorin::panelshape {

// The shadow: black at 6 %, blurred as Qt's drop shadow of radius 10 blurs (a Gaussian of
// deviation (10 + 1) / 3.3333), 4 px down.
inline constexpr double shadowStrength = 0.06;
inline constexpr double shadowDeviation = 11 / 3.3333;
inline constexpr double shadowOffsetY = 4;
// Past three deviations the shadow is gone, and the surface hides it inside as far.
inline constexpr double shadowReach = 3 * shadowDeviation;

// The wash runs from the top-left corner to the bottom-right one, the tint at 16 % there
// and 3 % here.
inline constexpr double washStart = 0.16;
inline constexpr double washEnd = 0.03;

// The outline of `rect` with corners of `radius`, moved `outward` (negative: inward), as
// points clockwise from the top-left corner's top end; every outline has the same number
// of points, each matching the same point of the others, so two outlines bound a band.
std::vector<QPointF> outline(const QRectF& rect, double radius, double outward, int stepsPerCorner);

// The surface's colour at `point` of `rect`: `surface` under the tint's diagonal wash
// (`tint` of no alpha: no wash).
QColor washedSurface(const QRectF& rect, const QPointF& point, const QColor& surface, const QColor& tint);

// `over` laid on the opaque colour `under`.
QColor laidOver(const QColor& over, const QColor& under);

// How dark the shadow is (its alpha) at `outward` from its edge: half its strength on the
// edge, all of it well inside, none well outside.
double shadowAlpha(double outward);

}  // namespace tessorin::panelshape
