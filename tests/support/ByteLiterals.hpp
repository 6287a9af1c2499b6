#pragma once
// Byte counts in binary units for tests: 64_MiB, 4_GiB. Bring them in with
// `using namespace tessorin::testing::literals;`.

#include <cstdint>

namespace tessorin::testing::literals {

constexpr std::uint64_t operator""_KiB(unsigned long long count) { return count << 10; }
constexpr std::uint64_t operator""_MiB(unsigned long long count) { return count << 20; }
constexpr std::uint64_t operator""_GiB(unsigned long long count) { return count << 30; }

}  // namespace tessorin::testing::literals
