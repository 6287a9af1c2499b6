#pragma once
// BrandSettings: the brand the user says is printed on each card's label, remembered
// across runs: "ClaimedBrands" (card id to the brand's raw value) and "CustomBrands"
// (card id to the name typed for the `other` brand). A card inserted again, or checked
// in a later run, starts with the brand last chosen for it. Used on the thread that owns
// the QSettings (the main thread).

#include <optional>
#include <string>

#include <QSettings>

#include "session/settings/SettingsDictionary.hpp"
#include "tessorin/identity/Brand.hpp"

namespace tessorin {

class BrandSettings {
 public:
  explicit BrandSettings(QSettings& settings);

  // Nothing for an unknown card, an entry that is not text, or a text that names no
  // brand (such an entry stays until the next store for that card).
  std::optional<Brand> loadClaimedBrand(const std::string& cardID) const;
  // "" for an unknown card or an entry that is not text.
  std::string loadCustomBrand(const std::string& cardID) const;

  // No brand removes the card's entry.
  void storeClaimedBrand(std::optional<Brand> brand, const std::string& cardID);
  // Kept exactly as typed, spaces included; an empty name removes the card's entry.
  void storeCustomBrand(const std::string& name, const std::string& cardID);

 private:
  SettingsDictionary claimedBrands_;
  SettingsDictionary customBrands_;
};

}  // namespace tessorin
