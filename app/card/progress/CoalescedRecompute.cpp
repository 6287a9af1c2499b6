#include "card/progress/CoalescedRecompute.hpp"

#include <utility>

#include <QTimer>

namespace tessorin {

CoalescedRecompute::CoalescedRecompute(std::function<void()> recompute, QObject* parent)
    : QObject(parent), recompute_(std::move(recompute)) {}

void CoalescedRecompute::schedule() {
  if (pending_) return;
  pending_ = true;
  if (clock_ && clock_->holders() > 0) {
    onTick_ = connect(clock_, &MotionClock::ticked, this, [this] {
      if (pending_) runNow();
    });
    // A clock whose last motion stops before its next tick ticks no more.
    QTimer::singleShot(2 * 1000 / MotionClock::framesPerSecond, this, [this] {
      if (pending_) runNow();
    });
    return;
  }
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (pending_) runNow();
      },
      Qt::QueuedConnection);
}

void CoalescedRecompute::runNow() {
  pending_ = false;
  disconnect(onTick_);
  ++count_;
  recompute_();
}

}  // namespace tessorin
