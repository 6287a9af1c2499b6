#pragma once
// ProbeOutcome: the state of one probe of the quick check, from intact to never written.
// A plain value, safe to copy to any thread; its raw values are stored in results.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace tessorin {

struct SectorTally;

class ProbeOutcome {
 public:
  enum Value : std::uint8_t {
    ok = 0,           // every sector read back intact
    blank = 1,        // failing, blank sectors dominate
    stale = 2,        // failing, sectors of another session dominate
    misplaced = 3,    // failing, sectors written for another position dominate
    corrupted = 4,    // failing, damaged sectors dominate
    unreadable = 5,   // failing, unreadable sectors dominate
    writeFailed = 6,  // the probe's write failed
    untested = 7,     // the probe was never written
  };
  static constexpr std::array<Value, 8> allCases = {ok,         blank,      stale,       misplaced,
                                                    corrupted,  unreadable, writeFailed, untested};

  constexpr ProbeOutcome(Value value) : value_(value) {}
  // The outcome of one probe from the sectors read back: ok without a bad sector, else the
  // kind with the largest count. Ties go to the kind that says most about a counterfeit
  // (misplaced, then blank, stale, unreadable); corrupted must win outright.
  explicit ProbeOutcome(const SectorTally& tally);

  static constexpr std::optional<ProbeOutcome> fromRawValue(std::uint8_t raw) {
    if (raw > untested) return std::nullopt;
    return ProbeOutcome(static_cast<Value>(raw));
  }
  constexpr std::uint8_t rawValue() const { return value_; }
  constexpr operator Value() const { return value_; }

  constexpr bool isFailure() const { return value_ != ok && value_ != untested; }
  constexpr bool isTested() const { return value_ != untested; }

 private:
  Value value_;
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::ProbeOutcome> {
  std::size_t operator()(tessorin::ProbeOutcome outcome) const noexcept { return outcome.rawValue(); }
};
