#pragma once

#include <bit>
#include <cstdint>

namespace tessorin {

// The smallest power of two not below n; 1 for n below 2.
constexpr std::uint64_t nextPowerOfTwo(std::uint64_t n) { return n < 2 ? 1 : std::bit_ceil(n); }

}  // namespace tessorin
