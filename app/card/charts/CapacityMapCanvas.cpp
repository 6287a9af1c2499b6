#include "card/charts/CapacityMapCanvas.hpp"

#include <QPainter>
#include <QPainterPath>

#include "card/charts/CapacityMapGeometry.hpp"
#include "theme/Palette.hpp"
#include "theme/motion/Motion.hpp"

namespace tessorin {

namespace {

QColor withOpacity(QColor color, double opacity) {
  color.setAlphaF(color.alphaF() * opacity);
  return color;
}

}  // namespace

CapacityMapCanvas::CapacityMapCanvas(QQuickItem* parent) : QQuickPaintedItem(parent) { setAntialiasing(true); }

CapacityMapCanvas::~CapacityMapCanvas() { endChange(); }

MotionClock* CapacityMapCanvas::clock() {
  MotionClock* shared = MotionClock::of(this);
  return shared ? shared : &ownClock_;
}

void CapacityMapCanvas::startChange(const Colors& shown) {
  changeStart_ = shown;
  changeShare_ = 0;
  if (!changing()) {
    changeClock_ = clock();
    changeClock_->hold();
    connect(changeClock_, &MotionClock::ticked, this, &CapacityMapCanvas::stepChange);
  }
  changeStartedAt_ = changeClock_->now();
}

void CapacityMapCanvas::stepChange() {
  const double t = (changeClock_->time() - changeStartedAt_) / changeMilliseconds;
  if (t >= 1) {
    endChange();
  } else {
    changeShare_ = changeCurve().valueForProgress(t);
  }
  update();
}

void CapacityMapCanvas::endChange() {
  if (!changing()) return;
  disconnect(changeClock_, &MotionClock::ticked, this, &CapacityMapCanvas::stepChange);
  changeClock_->release();
  changeClock_.clear();
}

QEasingCurve CapacityMapCanvas::changeCurve() {
  QEasingCurve curve(QEasingCurve::BezierSpline);
  curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
  return curve;
}

QColor CapacityMapCanvas::blend(const QColor& from, const QColor& to, double share) {
  const auto mix = [share](float a, float b) { return static_cast<float>(a + (b - a) * share); };
  return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()), mix(from.blueF(), to.blueF()),
                          mix(from.alphaF(), to.alphaF()));
}

QColor CapacityMapCanvas::cellColor(CapacityMap::Cell cell, const QColor& secondary, bool readBackUnconfirmed) {
  switch (cell) {
    case CapacityMap::Cell::untested: return withOpacity(secondary, 0.14);
    case CapacityMap::Cell::written: return withOpacity(Palette::indigo(), 0.45);
    case CapacityMap::Cell::good: return readBackUnconfirmed ? withOpacity(secondary, 0.5) : Palette::green();
    case CapacityMap::Cell::bad: return Palette::red();
    case CapacityMap::Cell::mixed: return Palette::amber();
  }
  return secondary;
}

void CapacityMapCanvas::setInput(const CapacityMapInput& input) {
  if (input_ == input) return;
  // Most reports only move byte counts within cells: a map that recolours no cell has
  // nothing to show and lets a change under way run on. The map a view is created with is
  // not a change, and still pictures take no time.
  const Colors shown = shownColors();
  const bool recolours = colorsOf(input) != shown;
  input_ = input;
  if (recolours) {
    if (isComponentComplete() && Motion::enabled()) {
      startChange(shown);
    } else {
      endChange();
    }
  }
  Q_EMIT inputChanged();
  update();
}

CapacityMapCanvas::Colors CapacityMapCanvas::colorsOf(const CapacityMapInput& input) const {
  const auto states = input.map.cells();
  Colors colors;
  for (std::size_t i = 0; i < states.size(); ++i) colors[i] = cellColor(states[i], secondary_, input.readBackUnconfirmed);
  return colors;
}

CapacityMapCanvas::Colors CapacityMapCanvas::shownColors() const {
  Colors colors = colorsOf(input_);
  if (!changing()) return colors;
  for (std::size_t i = 0; i < colors.size(); ++i) colors[i] = blend(changeStart_[i], colors[i], changeShare_);
  return colors;
}

void CapacityMapCanvas::setColumns(int columns) {
  if (columns_ == columns) return;
  columns_ = columns;
  Q_EMIT columnsChanged();
  updateImplicitHeight();
  update();
}

void CapacityMapCanvas::setSecondaryColor(const QColor& color) {
  if (secondary_ == color) return;
  secondary_ = color;
  Q_EMIT colorsChanged();
  update();
}

void CapacityMapCanvas::setMirrored(bool mirrored) {
  if (mirrored_ == mirrored) return;
  mirrored_ = mirrored;
  Q_EMIT mirroredChanged();
  update();
}

void CapacityMapCanvas::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
  QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
  // A layout gives the map its width while it arranges, and takes no size change until it
  // is done: the height for the new width is asked for once it is.
  if (newGeometry.width() != oldGeometry.width()) {
    QMetaObject::invokeMethod(this, &CapacityMapCanvas::updateImplicitHeight, Qt::QueuedConnection);
  }
  Q_EMIT shownChanged();
}

int CapacityMapCanvas::rowsShown() const {
  const CapacityMapGeometry geometry = CapacityMapGeometry::layout(width(), columns_, CapacityMap::cellCount);
  int shown = 0;
  for (int row = 0; row < geometry.rows; ++row) {
    const double bottom = (row + 1) * geometry.side + row * CapacityMapGeometry::gap;
    if (geometry.side > 0 && bottom <= height() + 0.5) ++shown;
  }
  return shown;
}

double CapacityMapCanvas::heightForWidth(double width) const {
  return CapacityMapGeometry::layout(width, columns_, CapacityMap::cellCount).height;
}

void CapacityMapCanvas::updateImplicitHeight() { setImplicitHeight(heightForWidth(width())); }

void CapacityMapCanvas::paint(QPainter* painter) {
  const Colors colors = shownColors();
  const CapacityMapGeometry geometry = CapacityMapGeometry::layout(width(), columns_, colors.size());
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(Qt::NoPen);
  if (mirrored_) {
    painter->translate(width(), 0);
    painter->scale(-1, 1);
  }
  for (std::size_t i = 0; i < colors.size(); ++i) {
    painter->setBrush(colors[i]);
    painter->drawRoundedRect(geometry.cells[i], geometry.radius, geometry.radius);
  }
}

}  // namespace tessorin
