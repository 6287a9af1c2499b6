#pragma once
// FocusHandover: hands the keyboard's focus on when the page changes under it. When the
// focused control goes (its panel replaced by the next stage's, or the control hidden or
// disabled), Qt leaves the focus on whatever scope held it: no ring shows, and the next
// Tab starts again at the window's first control. With the handover the focus goes to the
// natural control of the panel that came instead (Stop while a check runs, the result's
// first action once it ends), or, where no panel came, to the next Tab stop after the
// control that went. A panel that comes while the focus rests on no control, as after
// Return started a check from the page (which takes it from a control a click focused),
// takes it too. The scrolling area around a panel that came shows its natural control
// from the area's start once the panel has come to rest (FocusInView::showFromStart): what
// the panel says above the control is read first.
//
// A window turns it on; an area (a stage's panel) names its natural control:
//
//     ApplicationWindow { FocusHandover.enabled: true }
//     Panel { FocusHandover.natural: stopButton }
//
// The focus moves as Tab moves it, with its ring, and only for a keyboard user: the
// control that went showed its ring, or the last input was a key (KeyboardInUse). A
// pointer user's focus stays where Qt leaves it, so that Return never presses a control
// that was never shown focused. Whoever puts the focus on a control meanwhile (a list's
// FocusKeeper, a popup's FocusReturn, a question that opens) is left to it: the handover
// looks only once two turns of the event loop have passed. Main thread.

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class FocusHandover : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("FocusHandover is only used as an attached property.")
  QML_ATTACHED(FocusHandover)
  Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
  Q_PROPERTY(QQuickItem* natural READ natural WRITE setNatural NOTIFY naturalChanged)

 public:
  explicit FocusHandover(QObject* attachee);

  static FocusHandover* qmlAttachedProperties(QObject* attachee) { return new FocusHandover(attachee); }

  // On a window: whether it hands the focus on.
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);

  // On an area: the control the focus goes to when the area comes.
  QQuickItem* natural() const { return natural_; }
  void setNatural(QQuickItem* natural);

 Q_SIGNALS:
  void enabledChanged();
  void naturalChanged();

 private Q_SLOTS:
  void focusMoved();
  void focusedRingChanged();
  void settle();
  void handOver();
  void announce();

 private:
  void follow(QQuickItem* control);
  void handOverSoon();
  void areaCame(FocusHandover* area);

  QPointer<QObject> attachee_;
  bool enabled_ = false;
  QPointer<QQuickItem> natural_;

  // The window's part.
  QPointer<QQuickWindow> window_;
  QMetaObject::Connection focusConnection_;
  QList<QMetaObject::Connection> followConnections_;
  // The control that holds the focus (null once it is gone), and whether one does.
  QPointer<QQuickItem> focused_;
  bool holding_ = false;
  bool focusedRing_ = false;
  // Since the last handover: a control that went (null when it was destroyed), whether it
  // showed its ring, and the area that came.
  bool lost_ = false;
  QPointer<QQuickItem> lostControl_;
  bool lostRing_ = false;
  QPointer<FocusHandover> cameArea_;
  bool scheduled_ = false;
};

}  // namespace tessorin
