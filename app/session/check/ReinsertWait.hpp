#pragma once
// ReinsertWait: the check suspended while the user takes the card out and puts it back.
// The session's road awaits it; `resume` ends the wait exactly once, with the volume to
// read back or with nothing (stopped, quitting). The coroutine is resumed by a post to
// the main thread, never inline in the caller of `resume` (a rescan, the quit loop).
// It also says whether the wait was required (the host keeps a cache of the card that
// only a reinsertion empties) and whether the card did come back after going out, which
// is what empties it. Main thread only.

#include <coroutine>
#include <filesystem>
#include <optional>

#include "session/check/MainThreadQueue.hpp"

namespace tessorin {

class ReinsertWait {
 public:
  explicit ReinsertWait(bool required = false) : required_(required) {}

  // Asked for whatever the user's setting says: this user cannot drop the host's cache
  // of the card, so a read-back without a reinsertion may check memory, not the card.
  bool required() const { return required_; }
  bool cardPutBack() const { return cardPutBack_; }
  void noteCardPutBack() { cardPutBack_ = true; }

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
  bool required_ = false;
  bool cardPutBack_ = false;
  bool ended_ = false;
  std::optional<std::filesystem::path> volume_;
  std::coroutine_handle<> coroutine_;
};

}  // namespace tessorin
