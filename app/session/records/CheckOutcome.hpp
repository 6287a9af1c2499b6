#pragma once
// CheckOutcome: everything the result displays show once a check has finished: the
// verdict and how it was reached, the claimed and the real capacity, the engine's
// results, the speed rating, two flags and the date. Kept in memory by the card's
// session only, never stored. A plain value, safe to copy to any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include <QDateTime>

#include "tessorin/full/FullTestResult.hpp"
#include "tessorin/quick/QuickProbeResult.hpp"
#include "tessorin/identity/SpeedRating.hpp"
#include "tessorin/zone/ZoneResult.hpp"

namespace tessorin {

struct CheckOutcome {
  // Stored by its case name.
  class Verdict {
   public:
    enum Value : std::uint8_t { genuine, likelyGenuine, fake, damaged, inconclusive };
    static constexpr std::size_t caseCount = 5;

    constexpr Verdict(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }

    static const std::array<Verdict, caseCount>& allCases();
    // The case name exactly; any other text is no verdict.
    static std::optional<Verdict> fromRawValue(std::string_view rawValue);
    std::string_view rawValue() const;

   private:
    Value value_;
  };

  // `quick`: the quick check, or the speed zone alone, decided; `full`: the advanced test.
  class Method {
   public:
    enum Value : std::uint8_t { quick, full };
    static constexpr std::size_t caseCount = 2;

    constexpr Method(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }

    static const std::array<Method, caseCount>& allCases();
    static std::optional<Method> fromRawValue(std::string_view rawValue);
    std::string_view rawValue() const;

   private:
    Value value_;
  };

  Verdict verdict = Verdict::inconclusive;
  Method method = Method::quick;
  std::uint64_t advertisedBytes = 0;
  // Present only when the check found where the card stops holding data.
  std::optional<std::uint64_t> realBytes;
  std::optional<QuickProbeResult> quick;
  std::optional<FullTestResult> full;
  std::optional<ZoneResult> zone;
  // Present whenever a zone result is, unless readBackMayBeFromMemory(): the zone was
  // read back through the same copy, and a speed read from memory meets every marking.
  std::optional<SpeedRating> speed;
  // The advanced test was stopped; its partial result is what is shown.
  bool fullStopped = false;
  // The card's identity points to a fake although the check itself did not find one.
  bool brandLooksFake = false;
  // The check's own test folder is still on the card after it: the card would not let it
  // be deleted (it turned read-only, or its file system broke).
  bool testFolderLeft = false;
  QDateTime date;

  // The check covered less than half of the claimed capacity, so a good verdict says
  // little about the rest of the card.
  bool testedUnderHalf() const;
  // What the deciding test read back may have come from this computer's copy of the card
  // (it could not be dropped, and the card was not taken out and put back): what read
  // back intact proves nothing of what the card keeps, nor of how fast it reads.
  bool readBackMayBeFromMemory() const;
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::CheckOutcome::Verdict> {
  std::size_t operator()(tessorin::CheckOutcome::Verdict verdict) const noexcept {
    return std::hash<std::uint8_t>{}(static_cast<std::uint8_t>(verdict));
  }
};

template <>
struct std::hash<tessorin::CheckOutcome::Method> {
  std::size_t operator()(tessorin::CheckOutcome::Method method) const noexcept {
    return std::hash<std::uint8_t>{}(static_cast<std::uint8_t>(method));
  }
};
