#pragma once
// XRaySignal: one finding of the X-ray, a kind with its facts and how much it weighs.
// Kinds carry their facts as payload structs; `Kind` holds exactly one of them, in the
// order listed here. A plain value, safe to copy to any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tessorin/identity/Brand.hpp"

namespace tessorin {

struct XRaySignal {
  // Least to most severe; comparisons follow this order.
  enum class Severity { good, info, warning, critical };

  // The reader passes on none of the card's registers.
  struct RegistersHidden {
    friend bool operator==(const RegistersHidden&, const RegistersHidden&) = default;
  };
  struct Manufacturer {
    std::uint8_t id = 0;
    std::string name;
    bool generic = false;
    friend bool operator==(const Manufacturer&, const Manufacturer&) = default;
  };
  struct ManufacturerUnknown {
    std::uint8_t id = 0;
    friend bool operator==(const ManufacturerUnknown&, const ManufacturerUnknown&) = default;
  };
  struct ManufacturerUnassigned {
    std::uint8_t id = 0;
    friend bool operator==(const ManufacturerUnassigned&, const ManufacturerUnassigned&) = default;
  };
  struct OemMismatch {
    std::uint8_t id = 0;
    std::vector<std::string> expected;
    std::string found;
    friend bool operator==(const OemMismatch&, const OemMismatch&) = default;
  };
  struct BrandMatches {
    Brand brand = Brand::other;
    friend bool operator==(const BrandMatches&, const BrandMatches&) = default;
  };
  struct BrandMismatch {
    Brand brand = Brand::other;
    std::uint8_t found = 0;
    std::optional<std::string> foundName;  // the table's maker name for `found`
    friend bool operator==(const BrandMismatch&, const BrandMismatch&) = default;
  };
  // Capacities are the advertised size of the whole medium.
  struct CapacityBeyondCardType {
    std::string type;
    std::uint64_t capacity = 0;
    friend bool operator==(const CapacityBeyondCardType&, const CapacityBeyondCardType&) = default;
  };
  struct CardTypeTooBig {
    std::string type;
    std::uint64_t capacity = 0;
    friend bool operator==(const CardTypeTooBig&, const CardTypeTooBig&) = default;
  };
  struct CapacityBeyondAnyCard {
    std::uint64_t capacity = 0;
    friend bool operator==(const CapacityBeyondAnyCard&, const CapacityBeyondAnyCard&) = default;
  };
  struct RareCapacity {
    std::uint64_t capacity = 0;
    friend bool operator==(const RareCapacity&, const RareCapacity&) = default;
  };
  // Dates carry the month as judged: 1 when the card records none.
  struct DateNotSet {
    std::int64_t year = 0;
    std::int64_t month = 0;
    friend bool operator==(const DateNotSet&, const DateNotSet&) = default;
  };
  struct DateInFuture {
    std::int64_t year = 0;
    std::int64_t month = 0;
    friend bool operator==(const DateInFuture&, const DateInFuture&) = default;
  };
  struct DateTooEarly {
    std::int64_t year = 0;
    std::int64_t month = 0;
    friend bool operator==(const DateTooEarly&, const DateTooEarly&) = default;
  };
  struct SerialNotSet {
    friend bool operator==(const SerialNotSet&, const SerialNotSet&) = default;
  };
  struct ProductNameMissing {
    friend bool operator==(const ProductNameMissing&, const ProductNameMissing&) = default;
  };
  struct Fat32OnLargeCard {
    friend bool operator==(const Fat32OnLargeCard&, const Fat32OnLargeCard&) = default;
  };
  struct LeftoverTestFiles {
    friend bool operator==(const LeftoverTestFiles&, const LeftoverTestFiles&) = default;
  };

  using Kind = std::variant<RegistersHidden, Manufacturer, ManufacturerUnknown, ManufacturerUnassigned, OemMismatch,
                            BrandMatches, BrandMismatch, CapacityBeyondCardType, CardTypeTooBig,
                            CapacityBeyondAnyCard, RareCapacity, DateNotSet, DateInFuture, DateTooEarly,
                            SerialNotSet, ProductNameMissing, Fat32OnLargeCard, LeftoverTestFiles>;

  Severity severity = Severity::info;
  Kind kind;

  friend bool operator==(const XRaySignal&, const XRaySignal&) = default;
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::XRaySignal> {
  std::size_t operator()(const tessorin::XRaySignal& signal) const noexcept;
};
