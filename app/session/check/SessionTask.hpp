#pragma once
// SessionTask: the handle of one running check (or erase) of a card's session, the
// session's `task`. Cancelling it is sticky: it cancels the engine run the task is
// awaiting now, and every later engine call of the task starts cancelled and ends in
// CancelledError, also when the stop lands between a worker finishing and the task
// resuming. Compared by identity. Main thread only; the runs' flags are the only parts
// other threads see.

#include <memory>

#include "tessorin/posix/CancellationFlag.hpp"

namespace tessorin {

class SessionTask {
 public:
  void cancel();
  bool isCancelled() const { return cancelled_; }

  // The run the task now awaits; a task cancelled already cancels it at once.
  void attach(std::shared_ptr<CancellationFlag> run);
  void detach() { current_.reset(); }

 private:
  bool cancelled_ = false;
  std::shared_ptr<CancellationFlag> current_;
};

}  // namespace tessorin
