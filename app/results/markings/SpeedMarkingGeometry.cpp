#include "results/markings/SpeedMarkingGeometry.hpp"

#include <algorithm>
#include <cmath>

namespace tessorin {

SpeedMarkingGeometry::SpeedMarkingGeometry(qreal height) : h_(std::isfinite(height) && height > 0 ? height : 0) {}

QRectF SpeedMarkingGeometry::ringRect() const {
  const qreal inset = ringLineWidth() / 2;
  return {inset, inset, h_ - 2 * inset, h_ - 2 * inset};
}

QRectF SpeedMarkingGeometry::uRect() const {
  const qreal inset = uLineWidth() / 2;
  return {inset, inset, uhsWidth() - 2 * inset, h_ - 2 * inset};
}

QRectF SpeedMarkingGeometry::vRect() const {
  const qreal vHeight = 0.86 * h_;
  return {0, (h_ - vHeight) / 2, 0.62 * h_, vHeight};
}

qreal SpeedMarkingGeometry::glyphWidth(SpeedClass::Family family, qreal videoNumberWidth) const {
  if (isEmpty()) return 0;
  switch (family) {
    case SpeedClass::Family::speed:
      return h_;
    case SpeedClass::Family::uhs:
      return uhsWidth();
    case SpeedClass::Family::video:
      return vRect().width() + videoGap() + std::max<qreal>(videoNumberWidth, 0);
  }
  return 0;
}

qreal SpeedMarkingGeometry::readableHeight(qreal requested) {
  // In whole pixels, so that a badge drawn at the smallest size sits on the pixel grid; the
  // quotient itself lands a rounding error above a whole number.
  const qreal smallest = std::ceil(smallestTextPixels / SpeedMarkingGeometry(1).smallestNumberSize() - 1e-9);
  return std::isfinite(requested) && requested > 0 ? std::max(requested, smallest) : 0;
}

qreal SpeedMarkingGeometry::appBorderWidth() const { return isEmpty() ? 0 : std::max<qreal>(1.5, 0.08 * h_); }

}  // namespace tessorin
