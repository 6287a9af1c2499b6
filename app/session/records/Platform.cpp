#include "session/records/Platform.hpp"

#include <QCoreApplication>

#include "tessorin/identity/CaseWithRawValue.hpp"

namespace tessorin {

namespace {

struct PlatformFacts {
  std::string_view rawValue;
  const char* label;
};

// One row per case, in declaration order.
constexpr std::array<PlatformFacts, Platform::caseCount> facts{{
    {"amazon", "Amazon"},
    {"aliexpress", "AliExpress"},
    {"mercadoLivre", "Mercado Livre"},
    {"shopee", "Shopee"},
    {"temu", "Temu"},
    {"ebay", "eBay"},
    {"walmart", "Walmart"},
    {"shein", "Shein"},
    {"tiktokShop", "TikTok Shop"},
    {"magalu", "Magalu"},
    {"americanas", "Americanas"},
    {"kabum", "KaBuM!"},
    {"jd", "JD.com"},
    {"taobao", "Taobao"},
    {"lazada", "Lazada"},
    {"flipkart", "Flipkart"},
    {"rakuten", "Rakuten"},
    {"allegro", "Allegro"},
    {"coupang", "Coupang"},
    {"physicalStore", QT_TRANSLATE_NOOP("Platform", "Physical store")},
    {"other", QT_TRANSLATE_NOOP("Platform", "Other website")},
}};

}  // namespace

const std::array<Platform, Platform::caseCount>& Platform::allCases() {
  static const std::array<Platform, caseCount> cases{{amazon, aliexpress, mercadoLivre, shopee, temu, ebay, walmart,
                                                      shein, tiktokShop, magalu, americanas, kabum, jd, taobao, lazada,
                                                      flipkart, rakuten, allegro, coupang, physicalStore, other}};
  return cases;
}

std::optional<Platform> Platform::fromRawValue(std::string_view rawValue) {
  return caseWithRawValue<Platform>(rawValue);
}

std::string_view Platform::rawValue() const { return facts[value_].rawValue; }

QString Platform::label() const {
  if (value_ == physicalStore || value_ == other) return QCoreApplication::translate("Platform", facts[value_].label);
  return QString::fromUtf8(facts[value_].label);
}

}  // namespace tessorin
