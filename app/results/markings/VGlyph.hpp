#pragma once
// VGlyph: the solid V of the video speed-class symbol, a closed polygon whose left arm is
// narrower than its right and whose notch reaches 0.7 of the way down. Meant to be filled.

#include <QPainterPath>
#include <QRectF>

namespace tessorin {

struct VGlyph {
  static QPainterPath path(const QRectF& rect);
};

}  // namespace tessorin
