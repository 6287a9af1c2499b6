// The panel's background as figures: its outline moved in and out, the diagonal wash and
// the border laid over the surface, and the soft shadow's fall-off, which PanelBackdrop
// turns into geometry.

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <cmath>
#include <gtest/gtest.h>

#include "theme/PanelShape.hpp"

namespace tessorin::panelshape {
namespace {

const QRectF panel(10, 20, 400, 300);

double distanceFrom(const QPointF& point, const QPointF& centre) {
  return std::hypot(point.x() - centre.x(), point.y() - centre.y());
}

TEST(PanelShape, OutlineRoundsEachCornerAndMovesWithTheOffset) {
  const auto edge = outline(panel, 18, 0, 10);
  ASSERT_EQ(edge.size(), 44U);
  // Every point of the top-left corner lies on its arc; the outline keeps inside the rect.
  for (int i = 0; i <= 10; ++i) EXPECT_NEAR(distanceFrom(edge[i], QPointF(28, 38)), 18, 1e-9);
  for (const QPointF& point : edge) EXPECT_TRUE(panel.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(point));
  EXPECT_NEAR(edge.front().x(), 10, 1e-9);  // the top-left corner starts on the left side
  EXPECT_NEAR(edge[10].y(), 20, 1e-9);      // and ends on the top

  // Moved out, the corner's radius grows by as much; moved in past it, the corner is sharp.
  const auto outside = outline(panel, 18, 5, 10);
  ASSERT_EQ(outside.size(), edge.size());
  for (int i = 0; i <= 10; ++i) EXPECT_NEAR(distanceFrom(outside[i], QPointF(28, 38)), 23, 1e-9);
  const auto deepInside = outline(panel, 18, -30, 10);
  for (int i = 0; i <= 10; ++i) EXPECT_EQ(deepInside[i], QPointF(40, 50));
}

TEST(PanelShape, WashRunsDiagonallyFromSixteenToThreePercentOfTheTint) {
  const QColor white(Qt::white);
  const QColor cyan(0, 180, 220);
  const QColor topLeft = washedSurface(panel, panel.topLeft(), white, cyan);
  const QColor bottomRight = washedSurface(panel, panel.bottomRight(), white, cyan);
  EXPECT_NEAR(topLeft.redF(), 1 - 0.16, 1e-3);
  EXPECT_NEAR(topLeft.greenF(), 1 - 0.16 * (1 - 180 / 255.0), 1e-3);
  EXPECT_NEAR(bottomRight.redF(), 1 - 0.03, 1e-3);
  EXPECT_EQ(topLeft.alpha(), 255);  // the washed surface stays opaque
  // The centre stands halfway; elsewhere the strength follows the projection on the
  // diagonal, as Qt's linear gradient from corner to corner does: on a wide panel the
  // top-right corner is further along (400² / (400² + 300²) = 0.64) than the bottom-left.
  EXPECT_NEAR(washedSurface(panel, panel.center(), white, cyan).redF(), 1 - 0.095, 1e-3);
  EXPECT_NEAR(washedSurface(panel, panel.topRight(), white, cyan).redF(), 1 - (0.16 - 0.13 * 0.64), 1e-3);
  EXPECT_NEAR(washedSurface(panel, panel.bottomLeft(), white, cyan).redF(), 1 - (0.16 - 0.13 * 0.36), 1e-3);
  // Without a tint the surface is plain.
  EXPECT_EQ(washedSurface(panel, panel.center(), white, Qt::transparent), white);
}

TEST(PanelShape, BorderIsLaidOverTheSurfaceByItsAlpha) {
  const QColor border = QColor::fromRgbF(0, 0, 1, 0.3f);
  const QColor laid = laidOver(border, Qt::white);
  EXPECT_NEAR(laid.redF(), 0.7, 1e-3);
  EXPECT_NEAR(laid.blueF(), 1, 1e-3);
  EXPECT_EQ(laid.alpha(), 255);
  EXPECT_EQ(laidOver(Qt::transparent, QColor(Qt::red)), QColor(Qt::red));
}

TEST(PanelShape, ShadowIsHalfAsDarkOnItsEdgeAndFadesWithinItsReach) {
  EXPECT_NEAR(shadowAlpha(0), shadowStrength / 2, 1e-9);
  EXPECT_NEAR(shadowAlpha(-shadowReach), shadowStrength, 1e-3 * shadowStrength * 10);
  EXPECT_LT(shadowAlpha(shadowReach), shadowStrength * 0.002);
  // Darker further in, symmetrical about the edge.
  EXPECT_GT(shadowAlpha(-1), shadowAlpha(1));
  EXPECT_NEAR(shadowAlpha(-2) + shadowAlpha(2), shadowStrength, 1e-9);
}

}  // namespace
}  // namespace tessorin::panelshape
