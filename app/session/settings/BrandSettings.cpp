#include "session/settings/BrandSettings.hpp"

#include <QString>

namespace tessorin {

BrandSettings::BrandSettings(QSettings& settings)
    : claimedBrands_(settings, QStringLiteral("ClaimedBrands")), customBrands_(settings, QStringLiteral("CustomBrands")) {}

std::optional<Brand> BrandSettings::loadClaimedBrand(const std::string& cardID) const {
  const std::optional<QString> rawValue = claimedBrands_.text(QString::fromStdString(cardID));
  if (!rawValue) return std::nullopt;
  return Brand::fromRawValue(rawValue->toStdString());
}

std::string BrandSettings::loadCustomBrand(const std::string& cardID) const {
  return customBrands_.text(QString::fromStdString(cardID)).value_or(QString()).toStdString();
}

void BrandSettings::storeClaimedBrand(std::optional<Brand> brand, const std::string& cardID) {
  const QString key = QString::fromStdString(cardID);
  if (brand) {
    claimedBrands_.set(key, QString::fromUtf8(brand->rawValue().data(), static_cast<qsizetype>(brand->rawValue().size())));
  } else {
    claimedBrands_.remove(key);
  }
}

void BrandSettings::storeCustomBrand(const std::string& name, const std::string& cardID) {
  const QString key = QString::fromStdString(cardID);
  if (name.empty()) {
    customBrands_.remove(key);
  } else {
    customBrands_.set(key, QString::fromStdString(name));
  }
}

}  // namespace tessorin
