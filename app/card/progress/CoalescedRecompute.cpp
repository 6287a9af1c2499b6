#include "card/progress/CoalescedRecompute.hpp"

#include <utility>

namespace tessorin {

CoalescedRecompute::CoalescedRecompute(std::function<void()> recompute, QObject* parent)
    : QObject(parent), recompute_(std::move(recompute)) {}

void CoalescedRecompute::schedule() {
  if (pending_) return;
  pending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (pending_) runNow();
      },
      Qt::QueuedConnection);
}

void CoalescedRecompute::runNow() {
  pending_ = false;
  ++count_;
  recompute_();
}

}  // namespace tessorin
