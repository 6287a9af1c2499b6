#pragma once
// Brand: the brands a user can say are printed on a card's label, with the names shown
// for them and the manufacturer IDs a genuine card of each may carry. Stored everywhere
// (settings, history, shared reports) as its raw value, the case name. A plain value;
// all members are pure and may be called from any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tessorin {

class Brand {
 public:
  // Declaration order is the order in which brands are listed; `other` is the catch-all
  // for a brand the user types in (the text itself belongs to the card's session).
  enum Value : std::uint8_t {
    sandisk,
    samsung,
    kingston,
    lexar,
    sony,
    kioxia,
    panasonic,
    transcend,
    pny,
    patriot,
    adata,
    siliconPower,
    delkin,
    proGrade,
    angelbird,
    integral,
    verbatim,
    netac,
    teamGroup,
    other,
  };
  static constexpr std::size_t caseCount = 20;

  constexpr Brand(Value value) : value_(value) {}
  constexpr operator Value() const { return value_; }

  static const std::array<Brand, caseCount>& allCases();
  // The case name; any other text, in any other letter case, is no brand.
  static std::optional<Brand> fromRawValue(std::string_view rawValue);
  std::string_view rawValue() const;
  std::string_view id() const { return rawValue(); }

  // "—" for `other`; label() is what a list or a sentence shows.
  std::string_view displayName() const;
  // "Other brand" for `other`, else the display name.
  std::string label() const;
  // The IDs a genuine card of this brand may carry; empty: the brand is not compared.
  std::span<const std::uint8_t> manufacturerIDs() const;
  // Brands that make their own chips: a card with a foreign ID is almost surely fake.
  bool mismatchIsCritical() const;

 private:
  Value value_;
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::Brand> {
  std::size_t operator()(tessorin::Brand brand) const noexcept {
    return std::hash<std::uint8_t>{}(static_cast<std::uint8_t>(brand));
  }
};
