#include "results/markings/SpeedMarkingGlyph.hpp"

#include <QPainter>
#include <QPen>

#include "results/markings/BadgeText.hpp"
#include "results/markings/SpeedMarkingGeometry.hpp"
#include "results/markings/UShape.hpp"
#include "results/markings/VGlyph.hpp"

namespace tessorin {

namespace {

QString numberOf(SpeedClass marking) {
  const std::string_view label = marking.label();
  return QString::fromLatin1(label.data() + 1, static_cast<qsizetype>(label.size() - 1));
}

BadgeText videoNumber(SpeedClass marking, const SpeedMarkingGeometry& geometry) {
  return BadgeText::make(numberOf(marking), geometry.videoNumberSize(), geometry.tracking(), true);
}

// Centres the text's line box in box, then moves it by offset.
void fillCentred(QPainter& painter, const BadgeText& text, const QRectF& box, QPointF offset, const QColor& color) {
  const QPointF baseline(box.left() + (box.width() - text.advance) / 2 + offset.x(),
                         box.top() + (box.height() - text.lineHeight()) / 2 + text.ascent + offset.y());
  painter.fillPath(text.path.translated(baseline), color);
}

}  // namespace

SpeedMarkingGlyph::SpeedMarkingGlyph(QQuickItem* parent) : MarkingGlyph(parent) {}

void SpeedMarkingGlyph::readMarking(const QString& marking) {
  marking_ = SpeedClass::fromRawValue(marking.toStdString());
}

qreal SpeedMarkingGlyph::glyphWidth(qreal height) const { return marking_ ? width(*marking_, height) : 0; }

void SpeedMarkingGlyph::drawGlyph(QPainter& painter, qreal height, const QColor& color) const {
  if (marking_) draw(painter, *marking_, height, color);
}

qreal SpeedMarkingGlyph::width(SpeedClass marking, qreal height) {
  const SpeedMarkingGeometry geometry(height);
  if (geometry.isEmpty()) return 0;
  const qreal numberWidth =
      marking.family() == SpeedClass::Family::video ? videoNumber(marking, geometry).inkWidth() : 0;
  return geometry.glyphWidth(marking.family(), numberWidth);
}

void SpeedMarkingGlyph::draw(QPainter& painter, SpeedClass marking, qreal height, const QColor& color) {
  const SpeedMarkingGeometry geometry(height);
  if (geometry.isEmpty()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const QString number = numberOf(marking);
  const qreal h = geometry.height();
  switch (marking.family()) {
    case SpeedClass::Family::speed: {
      QPainterPath ring;
      ring.arcMoveTo(geometry.ringRect(), SpeedMarkingGeometry::ringStartDegrees);
      ring.arcTo(geometry.ringRect(), SpeedMarkingGeometry::ringStartDegrees, SpeedMarkingGeometry::ringSweepDegrees);
      painter.strokePath(ring, QPen(color, geometry.ringLineWidth(), Qt::SolidLine, Qt::FlatCap));
      fillCentred(painter, BadgeText::make(number, geometry.classNumberSize(number.size()), geometry.tracking(), false),
                  QRectF(0, 0, h, h), geometry.classNumberOffset(), color);
      break;
    }
    case SpeedClass::Family::uhs:
      painter.strokePath(UShape::path(geometry.uRect()),
                         QPen(color, geometry.uLineWidth(), Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
      fillCentred(painter, BadgeText::make(number, geometry.uhsNumberSize(), 0, false),
                  QRectF(0, 0, geometry.uhsWidth(), h), geometry.uhsNumberOffset(), color);
      break;
    case SpeedClass::Family::video: {
      const QRectF v = geometry.vRect();
      painter.fillPath(VGlyph::path(v), color);
      const BadgeText text = videoNumber(marking, geometry);
      const QPointF baseline(v.right() + geometry.videoGap(), (h - text.lineHeight()) / 2 + text.ascent);
      painter.fillPath(text.path.translated(baseline), color);
      break;
    }
  }
  painter.restore();
}

}  // namespace tessorin
