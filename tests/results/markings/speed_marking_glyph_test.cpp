#include "results/markings/SpeedMarkingGlyph.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QImage>
#include <QPainter>

#include "results/markings/AppClassGlyph.hpp"
#include "results/markings/SpeedMarkingGeometry.hpp"
#include "results/markings/UShape.hpp"
#include "results/markings/VGlyph.hpp"

namespace tessorin {
namespace {

TEST(SpeedMarkingGeometryTest, EverySizeIsTheDesignedFractionOfTheHeight) {
  const SpeedMarkingGeometry g(100);
  EXPECT_DOUBLE_EQ(g.ringLineWidth(), 13);
  EXPECT_EQ(g.ringRect(), QRectF(6.5, 6.5, 87, 87));
  EXPECT_DOUBLE_EQ(SpeedMarkingGeometry::ringSweepDegrees, 280.8);
  EXPECT_DOUBLE_EQ(SpeedMarkingGeometry::ringStartDegrees, 39.6);  // the opening of 79.2° is centred on the right
  EXPECT_DOUBLE_EQ(g.classNumberSize(2), 44);                      // "10"
  EXPECT_DOUBLE_EQ(g.classNumberSize(1), 56);                      // "2"
  EXPECT_EQ(g.classNumberOffset(), QPointF(-1, 1));
  EXPECT_DOUBLE_EQ(g.uhsWidth(), 86);
  EXPECT_DOUBLE_EQ(g.uLineWidth(), 14);
  EXPECT_EQ(g.uRect(), QRectF(7, 7, 72, 86));
  EXPECT_DOUBLE_EQ(g.uhsNumberSize(), 58);
  EXPECT_EQ(g.vRect(), QRectF(0, 7, 62, 86));
  EXPECT_DOUBLE_EQ(g.videoNumberSize(), 90);
  EXPECT_DOUBLE_EQ(g.tracking(), -2);
  EXPECT_DOUBLE_EQ(g.glyphWidth(SpeedClass::Family::video, 50), 62 + 2 + 50);
  EXPECT_DOUBLE_EQ(g.appFontSize(), 80);
  EXPECT_DOUBLE_EQ(g.appPadding(), 12);
  EXPECT_DOUBLE_EQ(g.appCornerRadius(), 18);
}

TEST(SpeedMarkingGeometryTest, AppBadgeBorderNeverThinnerThanOneAndAHalf) {
  EXPECT_DOUBLE_EQ(SpeedMarkingGeometry(10).appBorderWidth(), 1.5);
  EXPECT_DOUBLE_EQ(SpeedMarkingGeometry(18.75).appBorderWidth(), 1.5);
  EXPECT_DOUBLE_EQ(SpeedMarkingGeometry(100).appBorderWidth(), 8);
}

TEST(SpeedMarkingGeometryTest, UnsizedHeightsDrawNothingAndTakeNoRoom) {
  for (const qreal h : {0.0, -5.0, std::nan(""), std::numeric_limits<qreal>::infinity()}) {
    const SpeedMarkingGeometry g(h);
    EXPECT_TRUE(g.isEmpty()) << h;
    EXPECT_EQ(g.classNumberSize(1), 0) << h;
    EXPECT_EQ(g.appBorderWidth(), 0) << h;
    for (const SpeedClass marking : SpeedClass::allCases()) EXPECT_EQ(SpeedMarkingGlyph::width(marking, h), 0) << h;
    EXPECT_EQ(AppClassGlyph::width(AppPerformanceClass::a1, h), 0) << h;
  }
}

TEST(SpeedMarkingShapesTest, UGoesDownTheLeftRoundTheBottomAndUpTheRight) {
  const QPainterPath u = UShape::path(QRectF(7, 7, 72, 86));
  EXPECT_EQ(u.pointAtPercent(0), QPointF(7, 7));
  const QPointF end = u.pointAtPercent(1);
  EXPECT_NEAR(end.x(), 79, 1e-9);
  EXPECT_NEAR(end.y(), 7, 1e-9);
  // Straight sides of 50 and a half circle of radius 36: the middle of the length is the bottom.
  EXPECT_NEAR(u.length(), 2 * 50 + M_PI * 36, 0.1);
  const QPointF bottom = u.pointAtPercent(0.5);
  EXPECT_NEAR(bottom.x(), 43, 0.05);
  EXPECT_NEAR(bottom.y(), 93, 0.05);
}

TEST(SpeedMarkingShapesTest, VHasItsSevenCornersInOrder) {
  const QPainterPath v = VGlyph::path(QRectF(0, 0, 100, 50));
  const QPointF corners[] = {{0, 0}, {20, 0}, {50, 35}, {70, 0}, {100, 0}, {62, 50}, {40, 50}};
  ASSERT_GE(v.elementCount(), 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(QPointF(v.elementAt(i)), corners[i]) << i;
  EXPECT_TRUE(v.contains(QPointF(50, 45)));   // the foot
  EXPECT_FALSE(v.contains(QPointF(50, 20)));  // the notch
}

QImage painted(SpeedClass marking, qreal h, const QColor& color) {
  QImage image(qCeil(SpeedMarkingGlyph::width(marking, h)), qCeil(h), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  SpeedMarkingGlyph::draw(painter, marking, h, color);
  return image;
}

TEST(SpeedMarkingGlyphTest, RingIsOpenOnTheRightAndClosedOnTheLeft) {
  const QImage ring = painted(SpeedClass::class10, 100, Qt::black);
  ASSERT_EQ(ring.size(), QSize(100, 100));
  EXPECT_EQ(qAlpha(ring.pixel(96, 50)), 0);    // in the opening
  EXPECT_EQ(qAlpha(ring.pixel(3, 50)), 255);   // on the stroke, left
  EXPECT_EQ(qAlpha(ring.pixel(50, 3)), 255);   // on the stroke, top
}

TEST(SpeedMarkingGlyphTest, MissedGlyphIsPaintedInTheColourItIsGiven) {
  const QColor red(242, 69, 74);
  const QImage v = painted(SpeedClass::v30, 50, red);
  // The V's left arm just below its top edge.
  EXPECT_EQ(v.pixelColor(3, 6).rgba(), red.rgba());
  int inked = 0;
  for (int x = 34; x < v.width(); ++x) {
    for (int y = 0; y < v.height(); ++y) inked += qAlpha(v.pixel(x, y)) == 255;
  }
  EXPECT_GT(inked, 50);  // the number stands right of the V
}

TEST(SpeedMarkingGlyphTest, ItemPaintsOffscreenAndSizesToItsGlyph) {
  SpeedMarkingGlyph item;
  item.setHeight(40);
  item.setMarking(QStringLiteral("u3"));
  EXPECT_DOUBLE_EQ(item.implicitWidth(), 0.86 * 40);
  item.setMarking(QStringLiteral("U3"));  // a label is not a stored name
  EXPECT_EQ(item.implicitWidth(), 0);
  item.setMarking(QStringLiteral("v90"));
  EXPECT_GT(item.implicitWidth(), 0.64 * 40);
  item.setHeight(0);
  EXPECT_EQ(item.implicitWidth(), 0);
}

TEST(AppClassGlyphTest, OutlineAndTextStayInsideTheItem) {
  const qreal h = 96;
  const qreal width = AppClassGlyph::width(AppPerformanceClass::a2, h);
  QImage image(qCeil(width), qCeil(h), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  AppClassGlyph::draw(painter, AppPerformanceClass::a2, h, Qt::black);
  painter.end();
  EXPECT_EQ(qAlpha(image.pixel(2, qRound(h / 2))), 255);                // left border
  EXPECT_EQ(qAlpha(image.pixel(image.width() - 3, qRound(h / 2))), 255);  // right border
}

}  // namespace
}  // namespace tessorin
