#pragma once
// ProbeStripBar: the bar of the probe strip, one painted item: each slice a plain
// rectangle in its state's colour, one slot of the width per slice, with a one-point gap
// when the slot is wider than 3 points; clipped to a capsule. Mirrored in right-to-left
// layouts. Main thread.

#include <vector>

#include <QColor>
#include <QList>
#include <QQuickPaintedItem>
#include <QRectF>
#include <QtQml/qqmlregistration.h>

#include "tessorin/pattern/ProbeCell.hpp"

namespace tessorin {

class ProbeStripBar : public QQuickPaintedItem {
  Q_OBJECT
  QML_ELEMENT
  // ProbeCell raw values, one per slice.
  Q_PROPERTY(QList<int> slices READ slices WRITE setSlices NOTIFY slicesChanged)
  // The platform's secondary colour, which untested slices take at opacity 0.18.
  Q_PROPERTY(QColor secondaryColor READ secondaryColor WRITE setSecondaryColor NOTIFY colorsChanged)
  Q_PROPERTY(bool mirrored READ mirrored WRITE setMirrored NOTIFY mirroredChanged)

 public:
  explicit ProbeStripBar(QQuickItem* parent = nullptr);

  // The slices' rectangles on a bar of the given size.
  static std::vector<QRectF> sliceRects(double width, double height, std::size_t count);
  static QColor sliceColor(ProbeCell cell, const QColor& secondary);

  QList<int> slices() const { return slices_; }
  void setSlices(const QList<int>& slices);
  QColor secondaryColor() const { return secondary_; }
  void setSecondaryColor(const QColor& color);
  bool mirrored() const { return mirrored_; }
  void setMirrored(bool mirrored);

  void paint(QPainter* painter) override;

 Q_SIGNALS:
  void slicesChanged();
  void colorsChanged();
  void mirroredChanged();

 private:
  QList<int> slices_;
  QColor secondary_ = QColor(128, 128, 128);
  bool mirrored_ = false;
};

}  // namespace tessorin
