#include <vector>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

#include "card/artwork/CardShapes.hpp"

namespace tessorin {
namespace {

// One step of an outline: where it goes and, for a curve, the quadratic's control point.
struct Step {
  QPointF to;
  std::optional<QPointF> control;
};

// QPainterPath keeps a quadratic as a cubic whose first control point is
// p0 + 2/3 (c - p0); the quadratic's own control point is p0 + 1.5 (c1 - p0).
std::vector<Step> stepsOf(const QPainterPath& path) {
  std::vector<Step> steps;
  QPointF current;
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element element = path.elementAt(i);
    if (element.isCurveTo()) {
      const QPointF first = element;
      const QPointF end = path.elementAt(i + 2);
      steps.push_back({end, current + 1.5 * (first - current)});
      current = end;
      i += 2;
    } else {
      steps.push_back({element, std::nullopt});
      current = element;
    }
  }
  return steps;
}

void expectNear(QPointF actual, QPointF expected, const char* what) {
  EXPECT_NEAR(actual.x(), expected.x(), 1e-9) << what;
  EXPECT_NEAR(actual.y(), expected.y(), 1e-9) << what;
}

void expectSteps(const QPainterPath& path, const std::vector<Step>& expected) {
  std::vector<Step> steps = stepsOf(path);
  ASSERT_GE(steps.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    expectNear(steps[i].to, expected[i].to, "end point");
    ASSERT_EQ(steps[i].control.has_value(), expected[i].control.has_value()) << "step " << i;
    if (expected[i].control) expectNear(*steps[i].control, *expected[i].control, "control point");
  }
  // Closing adds at most a line back to the start.
  for (std::size_t i = expected.size(); i < steps.size(); ++i) expectNear(steps[i].to, expected.front().to, "close");
}

TEST(CardShapesTest, SdCardHasACutCornerAndThreeQuadraticCornersAtTheRectanglesCorners) {
  expectSteps(CardShapes::sdCard(QRectF(0, 0, 100, 133)), {
                                                              {{7, 0}, {}},
                                                              {{76, 0}, {}},
                                                              {{100, 24}, {}},
                                                              {{100, 126}, {}},
                                                              {{93, 133}, QPointF(100, 133)},
                                                              {{7, 133}, {}},
                                                              {{0, 126}, QPointF(0, 133)},
                                                              {{0, 7}, {}},
                                                              {{7, 0}, QPointF(0, 0)},
                                                          });
}

TEST(CardShapesTest, SdCardCornersFollowTheWidthAloneInATallerRectangle) {
  expectSteps(CardShapes::sdCard(QRectF(10, 20, 100, 266)), {
                                                                {{17, 20}, {}},
                                                                {{86, 20}, {}},
                                                                {{110, 44}, {}},
                                                                {{110, 279}, {}},
                                                                {{103, 286}, QPointF(110, 286)},
                                                                {{17, 286}, {}},
                                                                {{10, 279}, QPointF(10, 286)},
                                                                {{10, 27}, {}},
                                                                {{17, 20}, QPointF(10, 20)},
                                                            });
}

TEST(CardShapesTest, DriveBodyLeavesTheTopForThePlugAndRoundsItsCorners) {
  const QPainterPath body = CardShapes::flashDriveBody(QRectF(0, 0, 100, 155));
  const QRectF bounds = body.boundingRect();
  EXPECT_NEAR(bounds.top(), 34.1, 1e-9);
  EXPECT_NEAR(bounds.bottom(), 155, 1e-9);
  EXPECT_NEAR(bounds.left(), 0, 1e-9);
  EXPECT_NEAR(bounds.right(), 100, 1e-9);
  // A corner of radius 16: its very tip is outside, the straight edges start 16 in.
  EXPECT_FALSE(body.contains(QPointF(1, 35.1)));
  EXPECT_TRUE(body.contains(QPointF(16, 34.6)));
  EXPECT_TRUE(body.contains(QPointF(0.5, 34.1 + 16)));
  EXPECT_FALSE(body.contains(QPointF(50, 30)));
}

TEST(CardShapesTest, EmptyRectanglesGiveDegeneratePathsThatCanStillBePainted) {
  QImage canvas(8, 8, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&canvas);
  for (const QRectF& empty : {QRectF(), QRectF(0, 0, 100, 0), QRectF(0, 0, 0, 133)}) {
    const QPainterPath card = CardShapes::sdCard(empty);
    const QPainterPath drive = CardShapes::flashDriveBody(empty);
    painter.fillPath(card, Qt::white);
    painter.fillPath(drive, Qt::white);
    EXPECT_FALSE(card.contains(empty.center() + QPointF(0.5, 0.5)));
    EXPECT_TRUE(drive.boundingRect().isEmpty());
  }
}

}  // namespace
}  // namespace tessorin
