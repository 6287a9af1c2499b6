#pragma once
// ReinsertWait: the check suspended while the user takes the card out and puts it back.
// The session's road awaits it; `resume` ends the wait exactly once, with the volume to
// read back or with nothing (stopped, quitting). The coroutine is resumed by a post to
// the main thread, never inline in the caller of `resume` (a rescan, the quit loop).
// Main thread only.

#include <coroutine>
#include <filesystem>
#include <optional>

#include "session/check/MainThreadQueue.hpp"

namespace tessorin {

class ReinsertWait {
 public:
  // False when the wait was already ended.
  bool resume(std::optional<std::filesystem::path> volume) {
    if (ended_) return false;
    ended_ = true;
    volume_ = std::move(volume);
    if (coroutine_) postToMainThread([coroutine = coroutine_] { coroutine.resume(); });
    return true;
  }

  struct Awaiter {
    ReinsertWait& wait;
    bool await_ready() const noexcept { return wait.ended_; }
    void await_suspend(std::coroutine_handle<> coroutine) noexcept { wait.coroutine_ = coroutine; }
    std::optional<std::filesystem::path> await_resume() const { return wait.volume_; }
  };
  Awaiter operator co_await() { return Awaiter{*this}; }

 private:
  bool ended_ = false;
  std::optional<std::filesystem::path> volume_;
  std::coroutine_handle<> coroutine_;
};

}  // namespace tessorin
