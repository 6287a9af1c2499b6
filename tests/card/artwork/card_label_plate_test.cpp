// The card picture's label plate as it is painted: every pixel where its white text may
// lie holds 4.5:1 against white, on a card and on a drive, at the header's size and at a
// larger one, whatever the window behind it.

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "ContrastRatio.hpp"
#include "card/artwork/CardSilhouette.hpp"

namespace tessorin {
namespace {

struct Painted {
  QImage image;
  QRectF textRect;
  QRectF plateRect;
};

Painted paint(bool drive, double width, QColor window) {
  CardSilhouette silhouette;
  silhouette.setDrive(drive);
  silhouette.setSize(QSizeF(width, width * (drive ? 1.55 : 1.33)));
  QImage image(silhouette.size().toSize(), QImage::Format_ARGB32);
  image.fill(window);
  QPainter painter(&image);
  silhouette.paint(&painter);
  painter.end();
  return {image, silhouette.textRect(), silhouette.plateRect()};
}

// The lowest contrast against white over the pixels wholly inside `area`.
double weakestContrast(const QImage& image, const QRectF& area) {
  double weakest = 21;
  const QRect pixels = area.toAlignedRect().adjusted(1, 1, -1, -1);
  for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
    for (int x = pixels.left(); x <= pixels.right(); ++x) {
      weakest = std::min(weakest, testing::contrastRatio(Qt::white, image.pixelColor(x, y)));
    }
  }
  return weakest;
}

TEST(CardLabelPlate, WhiteTextHoldsItsContrastWhereverItMayLie) {
  for (const bool drive : {false, true}) {
    for (const double width : {132.0, 264.0}) {
      for (const QColor window : {QColor(Qt::white), QColor(0x1e, 0x1e, 0x20)}) {
        const Painted painted = paint(drive, width, window);
        ASSERT_TRUE(painted.plateRect.contains(painted.textRect)) << drive << " " << width;
        EXPECT_GE(weakestContrast(painted.image, painted.textRect), 4.5)
            << (drive ? "drive" : "card") << " " << width << " on " << window.name().toStdString();
      }
    }
  }
}

}  // namespace
}  // namespace tessorin
