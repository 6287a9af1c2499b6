#include "card/charts/ProbeStripBar.hpp"

#include <algorithm>

#include <QPainter>
#include <QPainterPath>

#include "theme/Palette.hpp"

namespace tessorin {

ProbeStripBar::ProbeStripBar(QQuickItem* parent) : QQuickPaintedItem(parent) {
  setAntialiasing(true);
  setImplicitHeight(18);
}

std::vector<QRectF> ProbeStripBar::sliceRects(double width, double height, std::size_t count) {
  std::vector<QRectF> rects;
  if (count == 0) return rects;
  const double slot = width / static_cast<double>(count);
  const double bar = std::max(0.5, slot > 3 ? slot - 1 : slot);
  rects.reserve(count);
  for (std::size_t i = 0; i < count; ++i) rects.emplace_back(static_cast<double>(i) * slot, 0, bar, height);
  return rects;
}

QColor ProbeStripBar::sliceColor(ProbeCell cell, const QColor& secondary) {
  QColor color;
  switch (cell) {
    case ProbeCell::untested:
      color = secondary;
      color.setAlphaF(secondary.alphaF() * 0.18);
      return color;
    case ProbeCell::written:
      color = Palette::indigo();
      color.setAlphaF(0.45);
      return color;
    case ProbeCell::ok: return Palette::green();
    case ProbeCell::bad: return Palette::red();
  }
  return secondary;
}

void ProbeStripBar::setSlices(const QList<int>& slices) {
  if (slices_ == slices) return;
  slices_ = slices;
  Q_EMIT slicesChanged();
  update();
}

void ProbeStripBar::setSecondaryColor(const QColor& color) {
  if (secondary_ == color) return;
  secondary_ = color;
  Q_EMIT colorsChanged();
  update();
}

void ProbeStripBar::setMirrored(bool mirrored) {
  if (mirrored_ == mirrored) return;
  mirrored_ = mirrored;
  Q_EMIT mirroredChanged();
  update();
}

void ProbeStripBar::paint(QPainter* painter) {
  painter->setRenderHint(QPainter::Antialiasing);
  QPainterPath capsule;
  const double radius = height() / 2;
  capsule.addRoundedRect(QRectF(0, 0, width(), height()), radius, radius);
  painter->setClipPath(capsule);
  if (mirrored_) {
    painter->translate(width(), 0);
    painter->scale(-1, 1);
  }
  painter->setPen(Qt::NoPen);
  const std::vector<QRectF> rects = sliceRects(width(), height(), static_cast<std::size_t>(slices_.size()));
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const auto cell = ProbeCell::fromRawValue(static_cast<std::uint8_t>(slices_[static_cast<qsizetype>(i)]));
    painter->setBrush(sliceColor(cell.value_or(ProbeCell::untested), secondary_));
    painter->drawRect(rects[i]);
  }
}

}  // namespace tessorin
