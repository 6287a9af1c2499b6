#include "card/charts/CapacityMapView.hpp"

#include <QPainter>
#include <QPainterPath>

#include "card/charts/CapacityMapGeometry.hpp"
#include "theme/Palette.hpp"

namespace tessorin {

namespace {

QColor withOpacity(QColor color, double opacity) {
  color.setAlphaF(color.alphaF() * opacity);
  return color;
}

}  // namespace

CapacityMapView::CapacityMapView(QQuickItem* parent) : QQuickPaintedItem(parent) { setAntialiasing(true); }

QColor CapacityMapView::cellColor(CapacityMap::Cell cell, const QColor& secondary, bool readBackUnconfirmed) {
  switch (cell) {
    case CapacityMap::Cell::untested: return withOpacity(secondary, 0.14);
    case CapacityMap::Cell::written: return withOpacity(Palette::indigo(), 0.45);
    case CapacityMap::Cell::good: return readBackUnconfirmed ? withOpacity(secondary, 0.5) : Palette::green();
    case CapacityMap::Cell::bad: return Palette::red();
    case CapacityMap::Cell::mixed: return Palette::amber();
  }
  return secondary;
}

void CapacityMapView::setInput(const CapacityMapInput& input) {
  if (input_ == input) return;
  input_ = input;
  Q_EMIT inputChanged();
  update();
}

void CapacityMapView::setColumns(int columns) {
  if (columns_ == columns) return;
  columns_ = columns;
  Q_EMIT columnsChanged();
  updateImplicitHeight();
  update();
}

void CapacityMapView::setSecondaryColor(const QColor& color) {
  if (secondary_ == color) return;
  secondary_ = color;
  Q_EMIT colorsChanged();
  update();
}

void CapacityMapView::setMirrored(bool mirrored) {
  if (mirrored_ == mirrored) return;
  mirrored_ = mirrored;
  Q_EMIT mirroredChanged();
  update();
}

void CapacityMapView::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
  QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
  // A layout gives the map its width while it arranges, and takes no size change until it
  // is done: the height for the new width is asked for once it is.
  if (newGeometry.width() != oldGeometry.width()) {
    QMetaObject::invokeMethod(this, &CapacityMapView::updateImplicitHeight, Qt::QueuedConnection);
  }
  Q_EMIT shownChanged();
}

int CapacityMapView::rowsShown() const {
  const CapacityMapGeometry geometry = CapacityMapGeometry::layout(width(), columns_, CapacityMap::cellCount);
  int shown = 0;
  for (int row = 0; row < geometry.rows; ++row) {
    const double bottom = (row + 1) * geometry.side + row * CapacityMapGeometry::gap;
    if (geometry.side > 0 && bottom <= height() + 0.5) ++shown;
  }
  return shown;
}

double CapacityMapView::heightForWidth(double width) const {
  return CapacityMapGeometry::layout(width, columns_, CapacityMap::cellCount).height;
}

void CapacityMapView::updateImplicitHeight() { setImplicitHeight(heightForWidth(width())); }

void CapacityMapView::paint(QPainter* painter) {
  const auto states = input_.map.cells();
  const CapacityMapGeometry geometry = CapacityMapGeometry::layout(width(), columns_, states.size());
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(Qt::NoPen);
  if (mirrored_) {
    painter->translate(width(), 0);
    painter->scale(-1, 1);
  }
  for (std::size_t i = 0; i < states.size(); ++i) {
    painter->setBrush(cellColor(states[i], secondary_, input_.readBackUnconfirmed));
    painter->drawRoundedRect(geometry.cells[i], geometry.radius, geometry.radius);
  }
}

}  // namespace tessorin
