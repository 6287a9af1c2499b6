#pragma once
// ThrottledLog: lines for a log that may come thousands of times a second, as when memory
// runs out and every connection fails alike. Each line is written at most once a second:
// the first time at once; the same line again within the second is only counted, and the
// count goes out with that line the next time it comes a second or more later, and when
// the log ends:
//   "tessorin-community-server: a connection was closed: std::bad_alloc (4321 times in 1.0 s)"
// Lines are told apart by their text, a few different ones at a time. It takes no memory
// as it writes: it is needed most when none can be had. Thread-safe.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <mutex>
#include <string_view>

namespace tessorin::server {

class ThrottledLog {
 public:
  using Clock = std::chrono::steady_clock;
  using Now = Clock::time_point (*)();

  // Writes to out; now tells the time (a test may give its own).
  explicit ThrottledLog(std::FILE* out, Now now = &Clock::now);
  ~ThrottledLog();
  ThrottledLog(const ThrottledLog&) = delete;
  ThrottledLog& operator=(const ThrottledLog&) = delete;

  // One line, given in parts written one after another; a line too long is cut.
  void say(std::initializer_list<std::string_view> parts);

 private:
  static constexpr std::size_t lineBytes = 240;
  static constexpr std::size_t kinds = 8;

  // One line and how often it came since it was last written.
  struct Tally {
    char text[lineBytes];
    std::size_t length = 0;
    std::uint64_t unwritten = 0;
    Clock::time_point written;
    Clock::time_point lastCame;
  };

  // With the lock held.
  void write(Tally& tally, Clock::time_point now);

  std::FILE* out_;
  Now now_;
  std::mutex mutex_;
  Tally tallies_[kinds];
  std::size_t used_ = 0;
};

}  // namespace tessorin::server
