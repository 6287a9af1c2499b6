#include "RateLimiter.hpp"

namespace tessorin::server {

bool RateLimiter::allow(const std::string& key) {
  const Clock::time_point now = Clock::now();
  std::lock_guard lock(mutex_);
  forgetIdleKeys(now);
  std::deque<Clock::time_point>& times = events_[key];
  while (!times.empty() && now - times.front() >= window_) times.pop_front();
  if (static_cast<int>(times.size()) >= limit_) return false;
  times.push_back(now);
  return true;
}

void RateLimiter::forgetIdleKeys(Clock::time_point now) {
  // Keys whose last event left the window say nothing any more; without this sweep the
  // map would grow with every client ever seen.
  if (now - lastSweep_ < window_) return;
  lastSweep_ = now;
  for (auto it = events_.begin(); it != events_.end();) {
    if (it->second.empty() || now - it->second.back() >= window_) {
      it = events_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace tessorin::server
