#include "session/records/Purchase.hpp"

#include <QLocale>

#include "session/records/JsonFields.hpp"
#include "tessorin/posix/HashCombine.hpp"

namespace tessorin {

Purchase::Purchase() : country(defaultCountry()), currency(defaultCurrency()) {}

std::string Purchase::defaultCurrency() {
  const QString code = QLocale().currencySymbol(QLocale::CurrencyIsoCode);
  return code.isEmpty() ? std::string("USD") : code.toStdString();
}

std::string Purchase::defaultCountry() {
  const QLocale locale;
  if (locale.territory() == QLocale::AnyTerritory) return {};
  return QLocale::territoryToCode(locale.territory()).toStdString();
}

void to_json(nlohmann::json& json, const Purchase& purchase) {
  json = nlohmann::json::object();
  json["store"] = purchase.store;
  json["platform"] = std::string(purchase.platform.rawValue());
  json["country"] = purchase.country;
  json["city"] = purchase.city;
  jsonfields::putFinite(json, "price", purchase.price);
  json["currency"] = purchase.currency;
}

void from_json(const nlohmann::json& json, Purchase& purchase) {
  using namespace jsonfields;
  requireObject(json, "purchase");
  purchase.store = requiredText(json, "store");
  purchase.platform = requiredCase<Platform>(json, "platform", Platform::fromRawValue);
  purchase.country = requiredText(json, "country");
  purchase.city = requiredText(json, "city");
  purchase.price = optionalNumber(json, "price");
  purchase.currency = requiredText(json, "currency");
}

}  // namespace tessorin

std::size_t std::hash<tessorin::Purchase>::operator()(const tessorin::Purchase& purchase) const noexcept {
  std::size_t seed = 0;
  tessorin::hashField(seed, purchase.store);
  tessorin::hashField(seed, purchase.platform);
  tessorin::hashField(seed, purchase.country);
  tessorin::hashField(seed, purchase.city);
  tessorin::hashField(seed, purchase.price);
  tessorin::hashField(seed, purchase.currency);
  return seed;
}
