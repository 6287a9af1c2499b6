#pragma once
// CoalescedRecompute: folds a burst of source signals into one recomputation on the next
// turn of the event loop. The session announces one progress report of the advanced test
// as up to seven changes; a presenter that recomputed on each would redo its texts, map
// and chart points seven times for one picture. Main thread only.

#include <functional>

#include <QObject>

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

  // Asks for one recomputation; further requests before it runs are folded into it.
  void schedule();
  // Runs the recomputation now and drops a scheduled one.
  void runNow();
  bool isPending() const { return pending_; }
  // Recomputations run so far.
  int count() const { return count_; }

 private:
  std::function<void()> recompute_;
  bool pending_ = false;
  int count_ = 0;
};

}  // namespace tessorin
