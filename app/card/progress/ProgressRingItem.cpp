#include "card/progress/ProgressRingItem.hpp"

#include <algorithm>
#include <cmath>

#include <QConicalGradient>
#include <QPainter>
#include <QPen>

#include "theme/Palette.hpp"

namespace tessorin {

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

void ProgressRingItem::paint(QPainter* painter) {
  painter->setRenderHint(QPainter::Antialiasing);
  const double diameter = std::max(0.0, std::min(width(), height()) - lineWidth_);
  const QRectF circle((width() - diameter) / 2, (height() - diameter) / 2, diameter, diameter);
  if (mirrored_) {
    painter->translate(width(), 0);
    painter->scale(-1, 1);
  }

  QPen track(track_, lineWidth_, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
  painter->setPen(track);
  painter->setBrush(Qt::NoBrush);
  painter->drawEllipse(circle);

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
  painter->setPen(arc);
  // Qt's angles run counter-clockwise from three o'clock in sixteenths of a degree.
  painter->drawArc(circle, 90 * 16, -static_cast<int>(std::lround(end * 360 * 16)));
}

}  // namespace tessorin
