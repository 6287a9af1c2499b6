#include "results/markings/MarkingGlyph.hpp"

namespace tessorin {

MarkingGlyph::MarkingGlyph(QQuickItem* parent) : QQuickPaintedItem(parent) {
  setAntialiasing(true);
  connect(this, &QQuickItem::heightChanged, this, &MarkingGlyph::resize);
}

void MarkingGlyph::setMarking(const QString& marking) {
  if (marking == markingName_) return;
  markingName_ = marking;
  readMarking(marking);
  resize();
  update();
  Q_EMIT markingChanged();
}

void MarkingGlyph::setColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  update();
  Q_EMIT colorChanged();
}

void MarkingGlyph::resize() { setImplicitWidth(glyphWidth(height())); }

void MarkingGlyph::paint(QPainter* painter) { drawGlyph(*painter, height(), color_); }

}  // namespace tessorin
