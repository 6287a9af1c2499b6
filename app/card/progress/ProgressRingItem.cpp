#include "card/progress/ProgressRingItem.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QConicalGradient>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include "theme/Palette.hpp"

namespace tessorin {
namespace {

// One box blur pass over premultiplied pixels, along rows (step 1) or columns (step the
// row's length); three in a row come close to a Gaussian blur.
void boxBlur(QImage& image, int radius, bool alongRows) {
  const int lines = alongRows ? image.height() : image.width();
  const int length = alongRows ? image.width() : image.height();
  const int window = 2 * radius + 1;
  // The pixels through one pointer: QImage::scanLine detaches on every call, and the ring
  // is blurred again on each step of its arc's easing.
  auto* pixels = reinterpret_cast<QRgb*>(image.bits());
  const qsizetype row = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  const qsizetype step = alongRows ? 1 : row;
  std::vector<QRgb> line(static_cast<std::size_t>(length));
  for (int l = 0; l < lines; ++l) {
    QRgb* first = pixels + (alongRows ? l * row : l);
    for (int i = 0; i < length; ++i) line[static_cast<std::size_t>(i)] = first[i * step];
    const auto pixel = [&](int i) { return (i < 0 || i >= length) ? QRgb(0) : line[static_cast<std::size_t>(i)]; };
    int a = 0, r = 0, g = 0, b = 0;
    for (int i = -radius; i <= radius; ++i) {
      const QRgb p = pixel(i);
      a += qAlpha(p), r += qRed(p), g += qGreen(p), b += qBlue(p);
    }
    for (int i = 0; i < length; ++i) {
      first[i * step] = qRgba(r / window, g / window, b / window, a / window);
      const QRgb in = pixel(i + radius + 1);
      const QRgb out = pixel(i - radius);
      a += qAlpha(in) - qAlpha(out), r += qRed(in) - qRed(out), g += qGreen(in) - qGreen(out),
          b += qBlue(in) - qBlue(out);
    }
  }
}

}  // namespace

ProgressRingItem::ProgressRingItem(QQuickItem* parent) : QQuickPaintedItem(parent) { setAntialiasing(true); }

double ProgressRingItem::arcEnd(double fraction) {
  // std::min(1.0, NaN) is 1: a NaN would draw the full ring.
  if (std::isnan(fraction)) return minimumArc;
  return std::max(std::min(1.0, fraction), minimumArc);
}

void ProgressRingItem::setFraction(double fraction) {
  if (fraction_ == fraction) return;
  fraction_ = fraction;
  Q_EMIT fractionChanged();
  update();
}

void ProgressRingItem::setColor(const QColor& color) {
  if (color_ == color) return;
  color_ = color;
  Q_EMIT appearanceChanged();
  update();
}

void ProgressRingItem::setTrackColor(const QColor& color) {
  if (track_ == color) return;
  track_ = color;
  Q_EMIT appearanceChanged();
  update();
}

void ProgressRingItem::setLineWidth(double width) {
  if (lineWidth_ == width) return;
  lineWidth_ = width;
  Q_EMIT appearanceChanged();
  update();
}

void ProgressRingItem::setMirrored(bool mirrored) {
  if (mirrored_ == mirrored) return;
  mirrored_ = mirrored;
  Q_EMIT appearanceChanged();
  update();
}

void ProgressRingItem::setGlowRadius(double radius) {
  if (glowRadius_ == radius) return;
  glowRadius_ = radius;
  Q_EMIT appearanceChanged();
  update();
}

void ProgressRingItem::paint(QPainter* painter) {
  const double glow = std::max(0.0, glowRadius_);
  const double diameter = std::max(0.0, std::min(width(), height()) - 2 * glow - lineWidth_);
  const QRectF circle((width() - diameter) / 2, (height() - diameter) / 2, diameter, diameter);
  if (glow > 0) paintGlow(*painter, circle);
  if (mirrored_) {
    painter->translate(width(), 0);
    painter->scale(-1, 1);
  }
  paintRing(*painter, circle);
}

// The ring's own shape in the glow's colour, blurred as a Gaussian of deviation
// (radius + 1) / 3.3 would blur it.
void ProgressRingItem::paintGlow(QPainter& painter, const QRectF& circle) const {
  // Drawn before the painter mirrors the ring, so mirrored here on its own.
  const qreal scale = painter.device() ? painter.device()->devicePixelRatioF() : 1;
  QImage image(QSize(static_cast<int>(std::ceil(width() * scale)), static_cast<int>(std::ceil(height() * scale))),
               QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return;
  image.setDevicePixelRatio(scale);
  image.fill(Qt::transparent);
  {
    QPainter shape(&image);
    if (mirrored_) {
      shape.translate(width(), 0);
      shape.scale(-1, 1);
    }
    paintRing(shape, circle);
    shape.setCompositionMode(QPainter::CompositionMode_SourceIn);
    QColor tint = color_;
    tint.setAlphaF(0.5);
    shape.fillRect(QRectF(0, 0, width(), height()), tint);
  }
  const double deviation = (glowRadius_ + 1) / 3.3333 * scale;
  const int box = std::max(1, static_cast<int>(std::lround((std::sqrt(4 * deviation * deviation + 1) - 1) / 2)));
  for (int pass = 0; pass < 3; ++pass) {
    boxBlur(image, box, true);
    boxBlur(image, box, false);
  }
  painter.drawImage(QPointF(0, 0), image);
}

void ProgressRingItem::paintRing(QPainter& painter, const QRectF& circle) const {
  painter.setRenderHint(QPainter::Antialiasing);
  QPen track(track_, lineWidth_, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
  painter.setPen(track);
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(circle);

  // Over the whole circle, clockwise from the top: the colour at half opacity, the
  // colour at the bottom, indigo back at the top. QConicalGradient runs counter-clockwise
  // from its angle, so its stops are laid out the other way round.
  const double end = arcEnd(fraction_);
  QColor faint = color_;
  faint.setAlphaF(color_.alphaF() * 0.5);
  QConicalGradient gradient(circle.center(), 90);
  gradient.setColorAt(0, Palette::indigo());
  gradient.setColorAt(0.5, color_);
  gradient.setColorAt(1, faint);
  QPen arc(QBrush(gradient), lineWidth_, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
  painter.setPen(arc);
  // Qt's angles run counter-clockwise from three o'clock in sixteenths of a degree.
  painter.drawArc(circle, 90 * 16, -static_cast<int>(std::lround(end * 360 * 16)));
}

}  // namespace tessorin
