#pragma once
// ProbeCell: how one probe slot of the quick check is drawn: not yet touched, written but
// not yet read back, intact, or bad. A plain value, safe to copy to any thread.

#include <cstdint>
#include <functional>
#include <optional>

#include "tessorin/pattern/ProbeOutcome.hpp"

namespace tessorin {

class ProbeCell {
 public:
  enum Value : std::uint8_t { untested = 0, written = 1, ok = 2, bad = 3 };

  constexpr ProbeCell(Value value) : value_(value) {}
  // A probe that was read back is ok or bad; `written` is set by the check itself while
  // the read-back is still to come.
  explicit constexpr ProbeCell(ProbeOutcome outcome)
      : value_(outcome == ProbeOutcome::ok ? ok : outcome == ProbeOutcome::untested ? untested : bad) {}

  static constexpr std::optional<ProbeCell> fromRawValue(std::uint8_t raw) {
    if (raw > bad) return std::nullopt;
    return ProbeCell(static_cast<Value>(raw));
  }
  constexpr std::uint8_t rawValue() const { return value_; }
  constexpr operator Value() const { return value_; }

 private:
  Value value_;
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::ProbeCell> {
  std::size_t operator()(tessorin::ProbeCell cell) const noexcept { return cell.rawValue(); }
};
