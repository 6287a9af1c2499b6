#include "ThrottledLog.hpp"

#include <algorithm>
#include <cstring>

namespace tessorin::server {

ThrottledLog::ThrottledLog(std::FILE* out, Now now) : out_(out), now_(now) {}

ThrottledLog::~ThrottledLog() {
  std::lock_guard lock(mutex_);
  const Clock::time_point now = now_();
  for (std::size_t i = 0; i < used_; ++i) {
    if (tallies_[i].unwritten > 0) write(tallies_[i], now);
  }
}

void ThrottledLog::say(std::initializer_list<std::string_view> parts) {
  char line[lineBytes];
  std::size_t length = 0;
  for (const std::string_view part : parts) {
    const std::size_t taken = std::min(part.size(), sizeof line - length);
    std::memcpy(line + length, part.data(), taken);
    length += taken;
  }
  std::lock_guard lock(mutex_);
  const Clock::time_point now = now_();
  Tally* tally = std::find_if(tallies_, tallies_ + used_, [&](const Tally& t) {
    return t.length == length && std::memcmp(t.text, line, length) == 0;
  });
  if (tally == tallies_ + used_) {
    if (used_ < kinds) {
      ++used_;
    } else {
      // The line that has not come for longest makes room, its count told first.
      tally = std::min_element(tallies_, tallies_ + used_,
                               [](const Tally& a, const Tally& b) { return a.lastCame < b.lastCame; });
      if (tally->unwritten > 0) write(*tally, now);
    }
    std::memcpy(tally->text, line, length);
    tally->length = length;
    tally->unwritten = 0;
    // Written at once the first time.
    tally->written = now - std::chrono::seconds(1);
  }
  tally->lastCame = now;
  ++tally->unwritten;
  if (now - tally->written >= std::chrono::seconds(1)) write(*tally, now);
}

void ThrottledLog::write(Tally& tally, Clock::time_point now) {
  const int length = static_cast<int>(tally.length);
  if (tally.unwritten == 1) {
    std::fprintf(out_, "%.*s\n", length, tally.text);
  } else {
    const double seconds = std::chrono::duration<double>(now - tally.written).count();
    std::fprintf(out_, "%.*s (%llu times in %.1f s)\n", length, tally.text,
                 static_cast<unsigned long long>(tally.unwritten), seconds);
  }
  std::fflush(out_);
  tally.unwritten = 0;
  tally.written = now;
}

}  // namespace tessorin::server
