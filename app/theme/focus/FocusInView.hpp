#pragma once
// FocusInView: a scrolling area that keeps the keyboard's focus in sight. A Flickable does
// not move for the item that takes the focus, so Tab onto a control below the fold would
// draw its focus ring where no one sees it. Attach it to a Flickable (a ListView too) or
// to a ScrollView:
//
//     Flickable { FocusInView.enabled: true }
//
// Whenever the window's focused item becomes one inside the area, the area scrolls by the
// least that shows the item whole, its focus ring and `margin` more around it (the item's
// top edge first when it is taller than the area); an item already in sight leaves it where
// it is, and it looks again on each frame until the item has come to rest (a panel growing
// in moves what follows it). Areas inside areas
// each do so for themselves, the innermost first. The scroll is immediate: it draws one
// frame, and nothing at all while the focus stays where it is. Main thread.

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class FocusInView : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("FocusInView is only used as an attached property.")
  QML_ATTACHED(FocusInView)
  Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
  Q_PROPERTY(qreal margin READ margin WRITE setMargin NOTIFY marginChanged)

 public:
  explicit FocusInView(QObject* attachee);

  static FocusInView* qmlAttachedProperties(QObject* attachee) { return new FocusInView(attachee); }

  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  qreal margin() const { return margin_; }
  void setMargin(qreal margin);

  // The scrolling area this attachment moves: the attachee if it is a Flickable, else a
  // ScrollView's Flickable; null when there is none yet.
  QQuickItem* flickable() const;
  // Scrolls the area so that `item` (inside it) shows whole; false when it did not move.
  bool reveal(QQuickItem* item);

 Q_SIGNALS:
  void enabledChanged();
  void marginChanged();

 private:
  void watchWindow();
  void focusMoved();
  // Reveals the item in the areas inside this one, then in this one; false when the item
  // is not inside this area.
  bool revealWithInnerAreas(QQuickItem* focused);

  QPointer<QQuickItem> attachee_;
  QPointer<QQuickWindow> window_;
  QMetaObject::Connection focusConnection_;
  // At most about a second and a half of frames: a page that never rests lets go of it.
  static constexpr int settleFrames = 90;
  void settle();

  QPointer<QQuickItem> settling_;
  QRectF settlingPlace_;
  int settledFrames_ = 0;
  int framesLeft_ = 0;
  QMetaObject::Connection settleConnection_;
  bool enabled_ = false;
  qreal margin_ = 12;
};

}  // namespace tessorin
