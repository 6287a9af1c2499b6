#pragma once
// Folding field hashes into one, for the std::hash specialisations of the engine's and
// the app's values, so that values that compare equal hash alike. Pure functions.

#include <cstddef>
#include <functional>
#include <optional>

namespace tessorin {

inline void hashCombine(std::size_t& seed, std::size_t value) {
  seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

template <typename T>
void hashField(std::size_t& seed, const T& value) {
  hashCombine(seed, std::hash<T>{}(value));
}

// An absent value hashes apart from every present one by its own flag.
template <typename T>
void hashField(std::size_t& seed, const std::optional<T>& value) {
  hashCombine(seed, value.has_value());
  if (value) hashField(seed, *value);
}

}  // namespace tessorin
