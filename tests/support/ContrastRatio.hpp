#pragma once
// The contrast of two colours as the house's legibility rule measures it (the WCAG 2
// ratio: 4.5:1 for text, 3:1 for large text and symbols), and a colour laid over another,
// for tests that check what the views draw. Header only: its users link Qt Gui already.

#include <QColor>
#include <algorithm>
#include <cmath>

namespace tessorin::testing {

inline double linearChannel(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

inline double relativeLuminance(const QColor& color) {
  const QColor rgb = color.toRgb();
  return 0.2126 * linearChannel(rgb.redF()) + 0.7152 * linearChannel(rgb.greenF()) +
         0.0722 * linearChannel(rgb.blueF());
}

inline double contrastRatio(const QColor& a, const QColor& b) {
  const double la = relativeLuminance(a), lb = relativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `top` with its own opacity, times `opacity`, laid over the opaque `bottom`.
inline QColor laidOver(const QColor& top, const QColor& bottom, double opacity = 1.0) {
  const double a = top.alphaF() * opacity;
  return QColor::fromRgbF(static_cast<float>(top.redF() * a + bottom.redF() * (1 - a)),
                          static_cast<float>(top.greenF() * a + bottom.greenF() * (1 - a)),
                          static_cast<float>(top.blueF() * a + bottom.blueF() * (1 - a)));
}

}  // namespace tessorin::testing
