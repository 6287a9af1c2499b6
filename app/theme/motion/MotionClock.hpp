#pragma once
// MotionClock: the one clock every motion of the window steps to (SteppedLoop for the
// endless ones, SteppedEase for a figure easing to a new value). It ticks eight times a
// second while any motion holds it, and not at all otherwise. Drawn with OpenGL on a
// computer without a graphics card, each frame costs the whole window however little
// changed in it, and an endless motion runs for as long as it is shown: motions that step
// together share their frames, so three of them cost what one does, and eight steps a
// second keep a page with a pulse on it under a quarter of a core there while a slow
// pulse, bob or sweep still reads as moving. QML reads it as the singleton `MotionClock`.
// Main thread.

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
  static constexpr int framesPerSecond = 8;

  explicit MotionClock(QObject* parent = nullptr);

  // The clock of the QML engine that made `object`; none outside one.
  static MotionClock* of(const QObject* object);

  qreal time() const { return time_; }
  // Milliseconds since the clock was made, as of now: where a motion that starts between
  // two ticks starts from.
  Q_INVOKABLE qreal now() const { return static_cast<qreal>(since_.elapsed()); }
  // The ease-out curve (slowing to its end, as CSS's "ease-out") at t from 0 to 1.
  Q_INVOKABLE qreal easeOut(qreal t) const;
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
