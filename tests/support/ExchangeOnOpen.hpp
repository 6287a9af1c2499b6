#pragma once
// ExchangeOnOpen: another program that swaps two folders (renameat2 with RENAME_EXCHANGE,
// as a sync tool's atomic replace does) at the one moment that matters: just before a
// test opens one of them. The work runs on a thread of its own whose open calls are held
// (a seccomp filter that hands them to a supervisor) until, at the first open of `name`
// (a path ending in it), the two have traded places. Races that are lost once in a
// million runs are then lost every time.
//
// Needs Linux 5.5 or later and root (or no_new_privs, which the work's thread then keeps).

#include <filesystem>
#include <functional>

namespace tessorin::testing {

class ExchangeOnOpen {
 public:
  // Runs `work` on its own thread, swapping `folder` and `other` when the work first
  // opens `folder`; rethrows what the work throws. Whether the swap happened is noted.
  ExchangeOnOpen(std::filesystem::path folder, std::filesystem::path other, const std::function<void()>& work);

  bool exchanged() const { return exchanged_; }

 private:
  bool exchanged_ = false;
};

}  // namespace tessorin::testing
