#pragma once
// FocusInView: a scrolling area that keeps the keyboard's focus in sight. A Flickable does
// not move for the item that takes the focus, so Tab onto a control below the fold would
// draw its focus ring where no one sees it. Attach it to a Flickable (a ListView too) or
// to a ScrollView:
//
//     Flickable { FocusInView.enabled: true }
//
// Whenever the window's focused item becomes one inside the area, the area scrolls on the
// next frame by the least that shows the item whole, its focus ring and `margin` more
// around it (the item's top edge first when it is taller than the area); an item already in
// sight leaves it where it is. While the item keeps the focus it stays in sight: when the
// page moves it (a panel above it grows, the window shrinks), the area follows once it has
// come to rest (no longer moved, scaled or pushed, the area's content no longer growing),
// unless the user had scrolled it out of sight. An item handed the focus with a new page
// (showFromStart) is shown only once that page rests, and from the area's start: the page
// scrolls only as far down as the item needs, so what the page puts first is read first.
// Areas inside areas each do so for themselves, the innermost first. Each scroll is
// immediate: one frame. Main thread.

#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRectF>
#include <QSizeF>
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
  // From the area's start: the least distance from there, wherever the area stands now.
  bool reveal(QQuickItem* item, bool fromStart = false);
  // Tells the areas around `item`, which has just taken the focus as its page came, to
  // show it from their start once it rests.
  static void showFromStart(QQuickItem* item);

 Q_SIGNALS:
  void enabledChanged();
  void marginChanged();

 private:
  // Where the focused item stands in the area's content, and the sizes of the area and its
  // content: the page is at rest while none of them changes from frame to frame. Where the
  // area is scrolled to is no part of it: that is the user's.
  struct Standing {
    QRectF place;
    QSizeF view;
    QSizeF content;
    bool operator==(const Standing&) const = default;
  };

  void watchWindow();
  void focusMoved();
  void frame();
  void stopWatching();
  Standing standingOf(QQuickItem* item) const;
  // The part of the content the area shows, in the content's coordinates.
  QRectF shownPart() const;
  // Reveals the item in the areas inside this one, then in this one; false when the item
  // is not inside this area.
  bool revealWithInnerAreas(QQuickItem* focused, bool fromStart);
  bool holds(QQuickItem* item) const;

  QPointer<QQuickItem> attachee_;
  QPointer<QQuickWindow> window_;
  QMetaObject::Connection focusConnection_;
  QMetaObject::Connection frameConnection_;
  // How long, and over how many frames, the item must stand still before the area scrolls
  // for it: a window may draw twice between two steps of an animation.
  static constexpr int restFrames = 2;
  static constexpr int restMilliseconds = 60;
  // About a second and a half of frames: a page that never rests is followed all the same.
  static constexpr int unrestFrames = 90;

  QPointer<QQuickItem> watched_;
  Standing standing_;
  bool settling_ = false;
  // Whether the area scrolls for the item once it rests: it was in sight, or just came.
  bool follows_ = false;
  bool fromStart_ = false;
  bool firstFrame_ = false;
  int stillFrames_ = 0;
  QElapsedTimer stillFor_;
  int movingFrames_ = 0;
  bool enabled_ = false;
  qreal margin_ = 12;
};

}  // namespace tessorin
