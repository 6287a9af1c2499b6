#pragma once
// CancellationFlag: how a worker learns that its run was cancelled. The one object the
// engine shares between threads: any thread may cancel, the worker polls between I/O
// steps and throws CancelledError once it sees the flag set.

#include <mutex>

#include "tessorin/posix/PosixError.hpp"

namespace tessorin {

class CancellationFlag {
 public:
  void cancel() {
    std::lock_guard guard(lock_);
    cancelled_ = true;
  }

  bool isCancelled() const {
    std::lock_guard guard(lock_);
    return cancelled_;
  }

  // The worker's checkpoint.
  void throwIfCancelled() const {
    if (isCancelled()) throw CancelledError();
  }

 private:
  mutable std::mutex lock_;
  bool cancelled_ = false;
};

}  // namespace tessorin
