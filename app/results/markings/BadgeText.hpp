#pragma once
// BadgeText: a number or class name of a badge as a filled outline at any size, in the
// marking font with the badge's tracking. A font's pixel size is a whole number while a
// badge's sizes are fractions of its height, so the text is laid out at a large size and
// scaled down. Main thread (fonts).

#include <QPainterPath>
#include <QString>

namespace tessorin {

struct BadgeText {
  QPainterPath path;  // baseline at y = 0, starting at x = 0
  qreal advance = 0;  // as the text sets, tracking included
  qreal ascent = 0;
  qreal descent = 0;

  qreal lineHeight() const { return ascent + descent; }
  // The text's right edge, an italic's overhang included.
  qreal inkWidth() const;

  static BadgeText make(const QString& text, qreal size, qreal tracking, bool italic);
};

}  // namespace tessorin
