#pragma once
// Platform: the marketplace a card was bought on. Stored (history, shared reports) as its
// raw value, the case name. A plain value usable on any thread, except `label`, which
// translates through the application and belongs to the main thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include <QString>

namespace tessorin {

class Platform {
 public:
  // Declaration order is the order of the purchase panel's list; `other` is the
  // catch-all.
  enum Value : std::uint8_t {
    amazon,
    aliexpress,
    mercadoLivre,
    shopee,
    temu,
    ebay,
    walmart,
    shein,
    tiktokShop,
    magalu,
    americanas,
    kabum,
    jd,
    taobao,
    lazada,
    flipkart,
    rakuten,
    allegro,
    coupang,
    physicalStore,
    other,
  };
  static constexpr std::size_t caseCount = 21;

  constexpr Platform(Value value) : value_(value) {}
  constexpr operator Value() const { return value_; }

  static const std::array<Platform, caseCount>& allCases();
  // The case name exactly; any other text, in any other letter case, is no platform.
  static std::optional<Platform> fromRawValue(std::string_view rawValue);
  std::string_view rawValue() const;
  std::string_view id() const { return rawValue(); }

  // Marketplace names read the same in every language; only "Physical store" and
  // "Other website" are translated.
  QString label() const;

 private:
  Value value_;
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::Platform> {
  std::size_t operator()(tessorin::Platform platform) const noexcept {
    return std::hash<std::uint8_t>{}(static_cast<std::uint8_t>(platform));
  }
};
