#pragma once
// CapacityMapCanvas: the card map's painted grid, which `CapacityMapView.qml` shows as the
// advanced test's card map: 256 rounded squares, one per cell of the map, coloured by the
// cell's state (untested, written, good, partly bad, bad; a good one that may have read
// back from memory in a neutral grey instead of green). The geometry comes from
// CapacityMapGeometry; a layout gives the item the height heightForWidth() asks for.
// Mirrored in right-to-left layouts. A map whose cells change colour fades each cell from
// the colour it showed to its new one over 0.3 s on an ease-in-out curve, so that the
// user sees where the test just got to; the map a view is created with shows at once.
// The fade steps with the window's motion clock, in the frames the window's other motions
// draw anyway: at the animation driver's 60 frames a second, each fade cost a computer
// without a graphics card some twenty whole-window frames.
// Main thread (the scene graph asks for paint() there).

#include <array>

#include <QColor>
#include <QEasingCurve>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

#include "card/charts/CapacityMapInput.hpp"
#include "theme/motion/MotionClock.hpp"

namespace tessorin {

class CapacityMapCanvas : public QQuickPaintedItem {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::CapacityMapInput input READ input WRITE setInput NOTIFY inputChanged)
  Q_PROPERTY(int columns READ columns WRITE setColumns NOTIFY columnsChanged)
  // The platform's secondary colour, which untested cells take at opacity 0.14.
  Q_PROPERTY(QColor secondaryColor READ secondaryColor WRITE setSecondaryColor NOTIFY colorsChanged)
  Q_PROPERTY(bool mirrored READ mirrored WRITE setMirrored NOTIFY mirroredChanged)
  // How many rows of cells the item's height shows whole (all of them when it is laid out
  // right): what a picture of the map is checked by.
  Q_PROPERTY(int rowsShown READ rowsShown NOTIFY shownChanged)

 public:
  using Colors = std::array<QColor, CapacityMap::cellCount>;
  static constexpr int changeMilliseconds = 300;

  explicit CapacityMapCanvas(QQuickItem* parent = nullptr);
  ~CapacityMapCanvas() override;

  static QColor cellColor(CapacityMap::Cell cell, const QColor& secondary, bool readBackUnconfirmed = false);
  // The ease-in-out curve a change follows: slow to leave, fast across the middle, slow to
  // settle.
  static QEasingCurve changeCurve();
  // A colour `share` of the way from `from` to `to`.
  static QColor blend(const QColor& from, const QColor& to, double share);

  const CapacityMapInput& input() const { return input_; }
  void setInput(const CapacityMapInput& input);
  int columns() const { return columns_; }
  void setColumns(int columns);
  QColor secondaryColor() const { return secondary_; }
  void setSecondaryColor(const QColor& color);
  bool mirrored() const { return mirrored_; }
  void setMirrored(bool mirrored);

  // The height the map takes at a width: its rows of cells keep them square.
  Q_INVOKABLE double heightForWidth(double width) const;
  int rowsShown() const;
  // The colour each cell is drawn in now, part way through a change or at its end.
  Colors shownColors() const;
  // A clock that went away (its window's engine) takes the change with it.
  bool changing() const { return !changeClock_.isNull(); }

  void paint(QPainter* painter) override;

 Q_SIGNALS:
  void inputChanged();
  void columnsChanged();
  void colorsChanged();
  void mirroredChanged();
  void shownChanged();

 protected:
  void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

 private:
  void updateImplicitHeight();
  Colors colorsOf(const CapacityMapInput& input) const;
  // The window's clock, or this map's own where it stands outside a QML engine.
  MotionClock* clock();
  void startChange(const Colors& shown);
  void stepChange();
  void endChange();

  CapacityMapInput input_;
  int columns_ = 64;
  QColor secondary_ = QColor(128, 128, 128);
  bool mirrored_ = false;
  // What the cells showed when the running change began; its end is colorsOf(input_).
  Colors changeStart_{};
  qreal changeStartedAt_ = 0;  // on the clock's time
  double changeShare_ = 0;     // of the way from changeStart_ to the end, eased
  QPointer<MotionClock> changeClock_;  // the clock a running change steps with
  MotionClock ownClock_;
};

}  // namespace tessorin
