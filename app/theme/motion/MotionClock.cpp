#include "theme/motion/MotionClock.hpp"

#include <QEasingCurve>
#include <QPointF>
#include <QQmlEngine>
#include <algorithm>

namespace tessorin {

qreal MotionClock::easeOut(qreal t) const {
  static const QEasingCurve curve = [] {
    QEasingCurve made(QEasingCurve::BezierSpline);
    made.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return made;
  }();
  return curve.valueForProgress(std::clamp<qreal>(t, 0, 1));
}

MotionClock::MotionClock(QObject* parent) : QObject(parent) {
  since_.start();
  timer_.setInterval(1000 / framesPerSecond);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &MotionClock::tick);
}

MotionClock* MotionClock::of(const QObject* object) {
  QQmlEngine* engine = qmlEngine(object);
  return engine ? engine->singletonInstance<MotionClock*>(qmlTypeId("Tessorin.Theme", 1, 0, "MotionClock")) : nullptr;
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
