#include "results/markings/BadgeText.hpp"

#include <algorithm>

#include <QFontMetricsF>
#include <QTransform>

#include "theme/Typography.hpp"

namespace tessorin {

namespace {

constexpr qreal referencePixels = 200;

}  // namespace

qreal BadgeText::inkWidth() const { return std::max(advance, path.boundingRect().right()); }

BadgeText BadgeText::make(const QString& text, qreal size, qreal tracking, bool italic) {
  BadgeText result;
  if (!(size > 0)) return result;
  const qreal scale = size / referencePixels;
  QFont font = Typography::markingFont(italic);
  font.setPixelSize(static_cast<int>(referencePixels));
  font.setLetterSpacing(QFont::AbsoluteSpacing, tracking / scale);
  const QFontMetricsF metrics(font);
  QPainterPath path;
  path.addText(QPointF(0, 0), font, text);
  result.path = QTransform::fromScale(scale, scale).map(path);
  result.advance = metrics.horizontalAdvance(text) * scale;
  result.ascent = metrics.ascent() * scale;
  result.descent = metrics.descent() * scale;
  return result;
}

}  // namespace tessorin
