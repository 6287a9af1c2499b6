#pragma once
// ProgressRingItem: the painted part of the progress ring: a faint full circle as the
// track and over it an arc from the top, clockwise, stroked with a conical gradient
// (the colour at half opacity, the colour, indigo) and round caps. The arc never gets
// shorter than 0.2 % of the circle, so even no progress shows a stub at the top; a
// fraction that is not a number counts as none. Mirrored in right-to-left layouts.
//
// With a `glowRadius` the ring glows softly in its colour at half strength, blurred over
// that radius, and the item reaches that far past the ring on every side. The glow is
// painted with the ring, once per change: as a blur effect over the painted ring, every
// step of an easing arc cost the window two frames (the effect's layers catch up one
// frame late) instead of one. Main thread.

#include <QColor>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class ProgressRingItem : public QQuickPaintedItem {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(double fraction READ fraction WRITE setFraction NOTIFY fractionChanged)
  Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY appearanceChanged)
  Q_PROPERTY(QColor trackColor READ trackColor WRITE setTrackColor NOTIFY appearanceChanged)
  Q_PROPERTY(double lineWidth READ lineWidth WRITE setLineWidth NOTIFY appearanceChanged)
  Q_PROPERTY(bool mirrored READ mirrored WRITE setMirrored NOTIFY appearanceChanged)
  Q_PROPERTY(double glowRadius READ glowRadius WRITE setGlowRadius NOTIFY appearanceChanged)

 public:
  static constexpr double minimumArc = 0.002;

  explicit ProgressRingItem(QQuickItem* parent = nullptr);

  // The share of the circle the arc covers.
  static double arcEnd(double fraction);

  double fraction() const { return fraction_; }
  void setFraction(double fraction);
  QColor color() const { return color_; }
  void setColor(const QColor& color);
  QColor trackColor() const { return track_; }
  void setTrackColor(const QColor& color);
  double lineWidth() const { return lineWidth_; }
  void setLineWidth(double width);
  bool mirrored() const { return mirrored_; }
  void setMirrored(bool mirrored);
  double glowRadius() const { return glowRadius_; }
  void setGlowRadius(double radius);

  void paint(QPainter* painter) override;

 Q_SIGNALS:
  void fractionChanged();
  void appearanceChanged();

 private:
  double fraction_ = 0;
  QColor color_ = QColor(33, 199, 237);
  QColor track_ = QColor(128, 128, 128, 26);
  double lineWidth_ = 12;
  bool mirrored_ = false;
  double glowRadius_ = 0;

  void paintRing(QPainter& painter, const QRectF& circle) const;
  void paintGlow(QPainter& painter, const QRectF& circle) const;
};

}  // namespace tessorin
