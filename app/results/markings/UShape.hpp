#pragma once
// UShape: the open U of the UHS speed-class symbol: down the left edge, a half circle as
// wide as the rectangle through its bottom, up the right edge. Meant to be stroked.

#include <QPainterPath>
#include <QRectF>

namespace tessorin {

struct UShape {
  static QPainterPath path(const QRectF& rect);
};

}  // namespace tessorin
