#pragma once
// NotEnoughFreeSpace: the volume is too full for the test asked of it. The advanced test
// and the speed zone test run alone refuse with it; the quick check says the same through
// QuickProbeUnsupported, whose refusals lead on to the advanced test, while this one
// ends the check (the card must be emptied or erased first). An immutable value, safe to
// copy across threads.

#include <cstdint>
#include <exception>
#include <string>

namespace tessorin {

class NotEnoughFreeSpace : public std::exception {
 public:
  // Carries the bytes available when the test looked.
  explicit NotEnoughFreeSpace(std::uint64_t availableBytes);

  std::uint64_t availableBytes() const { return availableBytes_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::uint64_t availableBytes_;
  std::string description_;
};

}  // namespace tessorin
