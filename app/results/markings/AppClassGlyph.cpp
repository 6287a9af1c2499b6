#include "results/markings/AppClassGlyph.hpp"

#include <algorithm>

#include <QPainter>
#include <QPen>

#include "results/markings/BadgeText.hpp"
#include "results/markings/SpeedMarkingGeometry.hpp"

namespace tessorin {

namespace {

BadgeText labelText(AppPerformanceClass marking, const SpeedMarkingGeometry& geometry) {
  const std::string_view label = marking.label();
  return BadgeText::make(QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size())),
                         geometry.appFontSize(), 0, true);
}

}  // namespace

AppClassGlyph::AppClassGlyph(QQuickItem* parent) : MarkingGlyph(parent) {}

void AppClassGlyph::readMarking(const QString& marking) {
  marking_ = AppPerformanceClass::fromRawValue(marking.toStdString());
}

qreal AppClassGlyph::glyphWidth(qreal height) const { return marking_ ? width(*marking_, height) : 0; }

void AppClassGlyph::drawGlyph(QPainter& painter, qreal height, const QColor& color) const {
  if (marking_) draw(painter, *marking_, height, color);
}

QString AppClassGlyph::helpText() { return tr("Reached"); }

qreal AppClassGlyph::width(AppPerformanceClass marking, qreal height) {
  const SpeedMarkingGeometry geometry(height);
  if (geometry.isEmpty()) return 0;
  return labelText(marking, geometry).advance + 2 * geometry.appPadding() + geometry.appBorderWidth();
}

void AppClassGlyph::draw(QPainter& painter, AppPerformanceClass marking, qreal height, const QColor& color) {
  const SpeedMarkingGeometry geometry(height);
  if (geometry.isEmpty()) return;
  const BadgeText text = labelText(marking, geometry);
  const qreal h = geometry.height();
  const qreal border = geometry.appBorderWidth();
  // The outline hugs the padded text; the line is centred on its edge, so it is kept
  // half a line inside the item.
  const qreal outlineHeight = std::max<qreal>(std::min(text.lineHeight(), h - border), 0);
  const QRectF outline(border / 2, (h - outlineHeight) / 2, text.advance + 2 * geometry.appPadding(), outlineHeight);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(text.path.translated(outline.left() + geometry.appPadding(),
                                        (h - text.lineHeight()) / 2 + text.ascent),
                   color);
  painter.setPen(QPen(color, border));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(outline, geometry.appCornerRadius(), geometry.appCornerRadius());
  painter.restore();
}

}  // namespace tessorin
