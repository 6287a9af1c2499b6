#pragma once
// Folding field hashes into one for the std::hash specialisations of the records, so
// that values that compare equal hash alike. Pure functions.

#include <cstddef>
#include <functional>
#include <optional>

namespace tessorin::hashfields {

inline void combine(std::size_t& seed, std::size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); }

template <typename T>
void add(std::size_t& seed, const T& value) {
  combine(seed, std::hash<T>{}(value));
}

template <typename T>
void add(std::size_t& seed, const std::optional<T>& value) {
  combine(seed, value.has_value());
  if (value) add(seed, *value);
}

}  // namespace tessorin::hashfields
