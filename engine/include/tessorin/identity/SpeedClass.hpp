#pragma once
// SpeedClass, AppPerformanceClass, BusMode: the speed markings printed on SD cards, each
// with the minimum it promises, and the bus a card was seen running on. SpeedClass and
// AppPerformanceClass are stored as their raw values, the case names. Plain values; all
// members are pure and may be called from any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessorin {

// A promised minimum sustained write speed.
class SpeedClass {
 public:
  // Within each family, declaration order is the order of increasing minimum.
  enum Value : std::uint8_t { class2, class4, class6, class10, u1, u3, v6, v10, v30, v60, v90 };
  static constexpr std::size_t caseCount = 11;

  enum class Family { speed, uhs, video };

  constexpr SpeedClass(Value value) : value_(value) {}
  constexpr operator Value() const { return value_; }

  static const std::array<SpeedClass, caseCount>& allCases();
  static std::optional<SpeedClass> fromRawValue(std::string_view rawValue);
  std::string_view rawValue() const;

  std::string_view label() const;  // as printed: "C10", "U3", "V30"
  Family family() const;
  double minimumWriteSpeed() const;  // bytes per second
  // Only a UHS bus carries data fast enough for these; on the legacy bus they cannot show.
  bool needsUHSBus() const;

 private:
  Value value_;
};

// A promised rate of random 4 KiB operations.
class AppPerformanceClass {
 public:
  enum Value : std::uint8_t { a1, a2 };
  static constexpr std::size_t caseCount = 2;

  constexpr AppPerformanceClass(Value value) : value_(value) {}
  constexpr operator Value() const { return value_; }

  static const std::array<AppPerformanceClass, caseCount>& allCases();
  static std::optional<AppPerformanceClass> fromRawValue(std::string_view rawValue);
  std::string_view rawValue() const;

  std::string_view label() const;  // "A1", "A2"
  double minimumReadIOPS() const;
  double minimumWriteIOPS() const;

 private:
  Value value_;
};

// The bus a card ran on: `uhs` when it was read faster than the legacy bus allows,
// `legacy` when it was not although the reader is known to be fast, else `unknown`.
enum class BusMode { uhs, legacy, unknown };

}  // namespace tessorin

template <>
struct std::hash<tessorin::SpeedClass> {
  std::size_t operator()(tessorin::SpeedClass marking) const noexcept {
    return std::hash<std::uint8_t>{}(static_cast<std::uint8_t>(marking));
  }
};

template <>
struct std::hash<tessorin::AppPerformanceClass> {
  std::size_t operator()(tessorin::AppPerformanceClass marking) const noexcept {
    return std::hash<std::uint8_t>{}(static_cast<std::uint8_t>(marking));
  }
};
