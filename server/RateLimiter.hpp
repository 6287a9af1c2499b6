#pragma once
// RateLimiter: at most a number of events per key (an author, a client address) within a
// sliding window. Kept in memory only and forgotten on restart: nothing about a client is
// ever stored. Thread-safe.

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace tessorin::server {

class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  RateLimiter(int limit, Clock::duration window) : limit_(limit), window_(window) {}

  // Counts the event and says whether it is within the limit; a refused event is not
  // counted.
  bool allow(const std::string& key);

 private:
  void forgetIdleKeys(Clock::time_point now);

  int limit_;
  Clock::duration window_;
  std::mutex mutex_;
  std::unordered_map<std::string, std::deque<Clock::time_point>> events_;
  Clock::time_point lastSweep_ = Clock::now();
};

}  // namespace tessorin::server
