#include "tessorin/identity/Brand.hpp"

#include <vector>

#include "tessorin/identity/CaseWithRawValue.hpp"

namespace tessorin {

namespace {

struct BrandFacts {
  std::string_view rawValue;
  std::string_view displayName;
  std::vector<std::uint8_t> manufacturerIDs;
  bool mismatchIsCritical;
};

// One row per case, in declaration order.
const std::array<BrandFacts, Brand::caseCount>& facts() {
  static const std::array<BrandFacts, Brand::caseCount> rows{{
      {"sandisk", "SanDisk", {0x03, 0x30}, true},
      {"samsung", "Samsung", {0x1B}, true},
      {"kingston", "Kingston", {0x41, 0x02, 0x1F, 0x9F}, false},
      {"lexar", "Lexar", {0x28, 0xAD}, false},
      {"sony", "Sony", {0x82}, false},
      {"kioxia", "Kioxia / Toshiba", {0x02}, true},
      {"panasonic", "Panasonic", {0x01}, true},
      {"transcend", "Transcend", {0x74, 0x1B, 0x1C, 0x1E}, false},
      {"pny", "PNY", {0x27}, false},
      {"patriot", "Patriot", {0x76, 0x27}, false},
      {"adata", "ADATA", {0x1D}, false},
      {"siliconPower", "Silicon Power", {0x31, 0x08}, false},
      {"delkin", "Delkin", {0x27}, false},
      {"proGrade", "ProGrade", {}, false},
      {"angelbird", "Angelbird", {0x9C}, false},
      {"integral", "Integral", {}, false},
      {"verbatim", "Verbatim", {}, false},
      {"netac", "Netac", {}, false},
      {"teamGroup", "Team Group", {}, false},
      {"other", "\u2014", {}, false},
  }};
  return rows;
}

}  // namespace

const std::array<Brand, Brand::caseCount>& Brand::allCases() {
  static const std::array<Brand, caseCount> cases{{sandisk, samsung, kingston, lexar, sony, kioxia, panasonic,
                                                   transcend, pny, patriot, adata, siliconPower, delkin, proGrade,
                                                   angelbird, integral, verbatim, netac, teamGroup, other}};
  return cases;
}

std::optional<Brand> Brand::fromRawValue(std::string_view rawValue) {
  return caseWithRawValue<Brand>(rawValue);
}

std::string_view Brand::rawValue() const { return facts()[value_].rawValue; }

std::string_view Brand::displayName() const { return facts()[value_].displayName; }

std::string Brand::label() const { return value_ == other ? "Other brand" : std::string(displayName()); }

std::span<const std::uint8_t> Brand::manufacturerIDs() const { return facts()[value_].manufacturerIDs; }

bool Brand::mismatchIsCritical() const { return facts()[value_].mismatchIsCritical; }

}  // namespace tessorin
