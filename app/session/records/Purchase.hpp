#pragma once
// Purchase: where and for how much the user bought a card; it lives inside a CheckRecord
// and goes into the community's store reports. A plain value, safe to copy to any
// thread; only the default constructor reads the current locale.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "session/records/Platform.hpp"

namespace tessorin {

struct Purchase {
  std::string store;
  Platform platform = Platform::other;
  std::string country;   // region code, "" for none
  std::string city;
  std::optional<double> price;
  std::string currency;  // currency code

  // A fresh purchase for the purchase panel: no store, platform `other`, the current
  // locale's region and currency.
  Purchase();

  // The current locale's currency code, "USD" when the locale has none.
  static std::string defaultCurrency();
  // The current locale's region code, "" when the locale has none.
  static std::string defaultCountry();

  // A price that is NaN never equals itself, so such a purchase is unequal to any other.
  friend bool operator==(const Purchase&, const Purchase&) = default;
};

// Keys "store", "platform", "country", "city", "currency", and "price" when there is a
// finite one. Reading needs all of them but "price" and never falls back to a default;
// throws DecodingError.
void to_json(nlohmann::json& json, const Purchase& purchase);
void from_json(const nlohmann::json& json, Purchase& purchase);

}  // namespace tessorin

template <>
struct std::hash<tessorin::Purchase> {
  std::size_t operator()(const tessorin::Purchase& purchase) const noexcept;
};
