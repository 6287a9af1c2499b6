#pragma once
// Looking a case of a closed set of values (Brand, SpeedClass, Platform, a verdict) up by
// the raw value it is stored under, for the fromRawValue of each such type. Pure.

#include <optional>
#include <string_view>

namespace tessorin {

// Enumeration has a static allCases() and a rawValue() per case; an unknown raw value
// (from an older or newer record) is no case.
template <typename Enumeration>
std::optional<Enumeration> caseWithRawValue(std::string_view rawValue) {
  for (const Enumeration value : Enumeration::allCases()) {
    if (value.rawValue() == rawValue) return value;
  }
  return std::nullopt;
}

}  // namespace tessorin
