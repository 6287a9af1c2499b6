#pragma once
// XRay: the instant, write-free first look at a card. It compares what the card and its
// reader say about themselves (identity registers, advertised size, card type, file
// system, leftovers of an earlier test) with the manufacturer and brand tables and a
// few capacity and date rules. Pure functions of their arguments; any thread may call
// them.

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "tessorin/identity/Brand.hpp"
#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/identity/CardRegisters.hpp"
#include "tessorin/identity/XRayReport.hpp"

namespace tessorin {

struct XRay {
  // brand is what the user says is printed on the label (none when not chosen); today
  // is the current calendar date where the user is.
  static XRayReport analyze(const CardDevice& device, std::optional<Brand> brand, std::chrono::year_month_day today);

  // The rules over the card's own registers, in the order they raise signals.
  static std::vector<XRaySignal> analyzeRegisters(const CardRegisters& registers, std::uint64_t advertisedBytes,
                                                  std::optional<Brand> brand, std::chrono::year_month_day today);

  // The calendar date of an instant in the system's time zone.
  static std::chrono::year_month_day localDate(std::chrono::system_clock::time_point instant);
};

}  // namespace tessorin
