#pragma once
// OnScreen: whether an item can be seen at this moment, so that an endless motion (a bob,
// a pulse, a sweep, a spinner) spends frames only while someone can see it. Every frame
// one motion asks for redraws the whole window, so a motion scrolled out of sight, behind
// another page or in a minimised window would keep a core busy for nothing. Attach it to
// the motion (or to any object inside the item that moves):
//
//     SequentialAnimation {
//         running: Motion.enabled && OnScreen.shown
//         loops: Animation.Infinite
//         ...
//     }
//
// The item judged is the nearest item the attachee belongs to. It is shown while it is
// visible (its own flag and its parents'), overlaps the viewport of every Flickable and
// every clipping item around it and the window's area, and its window is exposed and
// neither hidden nor minimised, in an application that is not hidden. Its own opacity
// does not count: a pulse fades the item it belongs to.
//
// The judgement is made again on every frame the window draws (scrolling, a layout that
// moves, a page changing all draw one) and when the window or the application changes
// state; at rest, when nothing draws, it costs nothing. Main thread.
//
// `lively` says whether an endless motion should run: while it is shown, on a desktop that
// does not ask for reduced motion (ReducedMotion). It goes on for as long as both hold,
// with or without input and whether or not its window has the focus: a pulse that stops
// after a while says nothing more, so a motion is kept cheap by cheap frames and the
// shared clock's rate (MotionClock), never by stopping it.
//
//     running: Motion.enabled && OnScreen.lively

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class OnScreen : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("OnScreen is only used as an attached property.")
  QML_ATTACHED(OnScreen)
  Q_PROPERTY(bool shown READ shown NOTIFY shownChanged)
  Q_PROPERTY(bool lively READ lively NOTIFY livelyChanged)

 public:
  explicit OnScreen(QObject* attachee);

  static OnScreen* qmlAttachedProperties(QObject* attachee) { return new OnScreen(attachee); }

  bool shown() const { return shown_; }
  bool lively() const { return lively_; }

  // The rule itself, for an item as it stands now.
  static bool isShown(QQuickItem* item);

 Q_SIGNALS:
  void shownChanged();
  void livelyChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void attach();
  void watchWindow(QQuickWindow* window);
  void judge();

  QObject* attachee_;
  QPointer<QQuickItem> item_;
  QPointer<QQuickWindow> window_;
  QList<QMetaObject::Connection> windowConnections_;
  bool shown_ = false;
  bool lively_ = false;
};

}  // namespace tessorin
