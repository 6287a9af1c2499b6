#pragma once
// MotionClock: the one clock every endless motion of the window steps to (SteppedLoop). It
// ticks ten times a second while any motion holds it, and not at all otherwise. Drawn with
// OpenGL on a computer without a graphics card, each frame costs the whole window however
// little changed in it; motions that step together share their frames, so three of them
// cost what one does. QML reads it as the singleton `MotionClock`. Main thread.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class MotionClock : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  // Milliseconds since the clock was made, as of its last tick.
  Q_PROPERTY(qreal time READ time NOTIFY ticked)

 public:
  static constexpr int framesPerSecond = 10;

  explicit MotionClock(QObject* parent = nullptr);

  qreal time() const { return time_; }
  // A motion starts and stops following the clock.
  Q_INVOKABLE void hold();
  Q_INVOKABLE void release();
  int holders() const { return holders_; }

 Q_SIGNALS:
  void ticked();

 private:
  void tick();

  QElapsedTimer since_;
  QTimer timer_;
  qreal time_ = 0;
  int holders_ = 0;
};

}  // namespace tessorin
