#include "community/view/CountryPickerModel.hpp"

#include <algorithm>

#include <QCollator>
#include <QLocale>

#include "community/rules/StoreTextRules.hpp"
#include "community/view/RegionNames.hpp"

namespace tessorin {

std::vector<CountryRow> CountryPickerModel::makeRegions() {
  std::vector<CountryRow> regions;
  for (const QString& code : isoRegionCodes()) {
    if (!isCapitalCode(code, 2)) continue;
    const QString name = regionName(code);
    if (name.isEmpty()) continue;
    regions.push_back({code, name});
  }
  QCollator collator{QLocale()};
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::stable_sort(regions.begin(), regions.end(),
                   [&collator](const CountryRow& a, const CountryRow& b) { return collator.compare(a.text, b.text) < 0; });
  for (CountryRow& region : regions) region.text = flagEmoji(region.code) + QLatin1Char(' ') + region.text;
  return regions;
}

const std::vector<CountryRow>& CountryPickerModel::regions() {
  static const std::vector<CountryRow> made = makeRegions();
  return made;
}

void CountryPickerModel::setSelection(const QString& code) {
  if (selection_ == code) return;
  selection_ = code;
  Q_EMIT selectionChanged();
}

QStringList CountryPickerModel::texts() const {
  QStringList texts{QStringLiteral("—")};
  for (const CountryRow& region : regions()) texts.append(region.text);
  return texts;
}

int CountryPickerModel::currentIndex() const {
  if (selection_.isEmpty()) return 0;
  const auto& list = regions();
  const auto found =
      std::find_if(list.begin(), list.end(), [this](const CountryRow& row) { return row.code == selection_; });
  return found == list.end() ? -1 : static_cast<int>(found - list.begin()) + 1;
}

QString CountryPickerModel::codeAt(int row) const {
  if (row <= 0 || row > static_cast<int>(regions().size())) return {};
  return regions()[static_cast<std::size_t>(row - 1)].code;
}

}  // namespace tessorin
