#pragma once
// CoalescedRecompute: folds a burst of source signals into one recomputation on the next
// turn of the event loop. The session announces one progress report of the advanced test
// as up to seven changes; a presenter that recomputed on each would redo its texts, map
// and chart points seven times for one picture.
//
// While the window's motion clock runs (MotionClock: a motion is on screen), the
// recomputation waits for its next tick instead, so that what the new figures change is
// drawn in the frame the motions draw anyway rather than in one of its own. Main thread
// only.

#include <functional>

#include <QObject>
#include <QPointer>

#include "theme/motion/MotionClock.hpp"

namespace tessorin {

class CoalescedRecompute : public QObject {
  Q_OBJECT

 public:
  explicit CoalescedRecompute(std::function<void()> recompute, QObject* parent = nullptr);

  // Asks for one recomputation on each of the source's signals given; forget() stops.
  template <class Source, class... Signals>
  void follow(Source* source, Signals... signals) {
    (connect(source, signals, this, &CoalescedRecompute::schedule), ...);
  }
  void forget(QObject* source) { disconnect(source, nullptr, this, nullptr); }

  // Recomputations wait for this clock's tick while it runs; none: the next turn.
  void paceWith(MotionClock* clock) { clock_ = clock; }

  // Asks for one recomputation; further requests before it runs are folded into it.
  void schedule();
  // Runs the recomputation now and drops a scheduled one.
  void runNow();
  bool isPending() const { return pending_; }
  // Recomputations run so far.
  int count() const { return count_; }

 private:
  std::function<void()> recompute_;
  QPointer<MotionClock> clock_;
  QMetaObject::Connection onTick_;
  bool pending_ = false;
  int count_ = 0;
};

}  // namespace tessorin
