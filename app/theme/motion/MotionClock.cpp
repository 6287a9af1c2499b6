#include "theme/motion/MotionClock.hpp"

namespace tessorin {

MotionClock::MotionClock(QObject* parent) : QObject(parent) {
  since_.start();
  timer_.setInterval(1000 / framesPerSecond);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &MotionClock::tick);
}

void MotionClock::hold() {
  if (holders_++ == 0) {
    time_ = static_cast<qreal>(since_.elapsed());
    timer_.start();
  }
}

void MotionClock::release() {
  if (holders_ == 0) return;
  if (--holders_ == 0) timer_.stop();
}

void MotionClock::tick() {
  time_ = static_cast<qreal>(since_.elapsed());
  Q_EMIT ticked();
}

}  // namespace tessorin
