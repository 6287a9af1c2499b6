#pragma once
// BusyHost: the load a shared build machine puts beside a card under test, for as long
// as the object lives: other writers that fill the host's memory with dirty pages it
// must push out, and, when the test asks, the host's cache of the card's device dropped
// as memory pressure drops it. Which of the file system's records the host writes back
// first, and which it must read again from the card, then changes from run to run, as it
// does on a loaded CI machine and not on a quiet one:
//
//   BusyHost busy(card->loopDevice());
//   ... FullTest(card->mountPoint()).run({}, [&busy] { busy.dropCardCache(); }) ...
//
// The writers' files live in a temporary folder on the host's own disk and go with the
// object; its threads are stopped and joined when it goes, also after a failed test.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "TemporaryFolder.hpp"

namespace tessorin::testing {

class BusyHost {
 public:
  explicit BusyHost(std::string cardDevice);
  ~BusyHost();
  BusyHost(const BusyHost&) = delete;
  BusyHost& operator=(const BusyHost&) = delete;

  // Writes back and drops what the host caches of the card's device, at once.
  void dropCardCache() const;

 private:
  void write(int writer) const;

  std::string cardDevice_;
  TemporaryFolder folder_{"/var/tmp"};
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> threads_;
};

}  // namespace tessorin::testing
