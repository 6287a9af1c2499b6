#pragma once
// SpeedMarkingGeometry: every stroke, inset, arc, font size, tracking and offset of the
// speed-marking and application-class badges, each a fixed fraction of the badge's
// height h, so that one design serves every size. A height that is zero, negative or
// not a number (a layout pass before the badge is sized) gives an empty geometry: the
// badge draws nothing and takes no room. A plain value; any thread.

#include <algorithm>

#include <QPointF>
#include <QRectF>
#include <QtGlobal>

#include "tessorin/identity/SpeedClass.hpp"

namespace tessorin {

class SpeedMarkingGeometry {
 public:
  explicit SpeedMarkingGeometry(qreal height);

  bool isEmpty() const { return h_ == 0; }
  qreal height() const { return h_; }

  // Speed class (C2 to C10): an open ring, the number inside. The ring is a circle
  // stroked along the centre line returned here, so its outer edge touches the h × h box.
  qreal ringLineWidth() const { return 0.13 * h_; }
  QRectF ringRect() const;
  // The drawn stretch runs from 0.11 to 0.89 of the circle counted from its rightmost
  // point, which leaves an opening of 0.22 of the circumference centred on the right.
  static constexpr qreal ringOpeningDegrees = 0.22 * 360;
  static constexpr qreal ringStartDegrees = ringOpeningDegrees / 2;
  static constexpr qreal ringSweepDegrees = 360 - ringOpeningDegrees;
  qreal classNumberSize(qsizetype characters) const { return (characters == 1 ? 0.56 : 0.44) * h_; }
  QPointF classNumberOffset() const { return {-0.01 * h_, 0.01 * h_}; }

  // UHS class (U1, U3): a U stroked inside a box 0.86 h wide, the digit in its bowl.
  qreal uhsWidth() const { return 0.86 * h_; }
  qreal uLineWidth() const { return 0.14 * h_; }
  QRectF uRect() const;  // the stroke's centre line: the box inset by half the line width
  qreal uhsNumberSize() const { return 0.58 * h_; }
  QPointF uhsNumberOffset() const { return {0, 0.06 * h_}; }

  // Video class (V6 to V90): a solid V, then the number in italics, centred vertically.
  QRectF vRect() const;
  qreal videoGap() const { return 0.02 * h_; }
  qreal videoNumberSize() const { return 0.9 * h_; }

  // Both numbers set tighter than the font does.
  qreal tracking() const { return -0.02 * h_; }

  // Width of a marking's glyph; a video glyph is as wide as its number sets.
  qreal glyphWidth(SpeedClass::Family family, qreal videoNumberWidth) const;

  // The mark of a missed or unjudged marking, overhanging the top-trailing corner by a
  // shift outwards and a rise upwards. On a small badge the mark keeps a size whose x or
  // question mark can still be made out, and stays centred where the design centres it,
  // just off the corner.
  qreal markSize() const { return isEmpty() ? 0 : std::max(0.36 * h_, smallestMarkPixels); }
  qreal markShift() const { return markSize() / 2 + 0.02 * h_; }
  qreal markRise() const { return markSize() / 2 - 0.02 * h_; }

  // The smallest sizes a badge is drawn at for its numbers and its mark to be read on a
  // screen: the two-digit class number, the smallest any glyph sets, reaches the house's
  // smallest text size.
  static constexpr qreal smallestTextPixels = 11;
  static constexpr qreal smallestMarkPixels = 16;
  qreal smallestNumberSize() const { return classNumberSize(2); }
  // The height a badge asked for at `requested` is drawn at.
  static qreal readableHeight(qreal requested);

  // Application class (A1, A2): italic text in a rounded outline.
  qreal appFontSize() const { return 0.8 * h_; }
  qreal appPadding() const { return 0.12 * h_; }
  qreal appCornerRadius() const { return 0.18 * h_; }
  // Never thinner than 1.5, so that a small badge keeps a visible border.
  qreal appBorderWidth() const;

 private:
  qreal h_;
};

}  // namespace tessorin
