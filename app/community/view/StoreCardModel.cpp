#include "community/view/StoreCardModel.hpp"

#include "theme/Palette.hpp"
#include "community/rules/StoreTextRules.hpp"

namespace tessorin {

void StoreCardModel::setSummary(StoreSummary summary) {
  if (summary_ == summary) return;
  summary_ = std::move(summary);
  Q_EMIT summaryChanged();
}

QString StoreCardModel::badgeSymbol() const {
  switch (summary_.platform) {
    case Platform::physicalStore:
      return QStringLiteral("storefront.fill");
    case Platform::other:
      return QStringLiteral("globe");
    default:
      return QStringLiteral("cart.fill");
  }
}

QVariantList StoreCardModel::badgeGradient() const {
  return Palette::symbolTileGradient(summary_.fakeCount() > 0 ? Palette::red() : Palette::green());
}

QColor StoreCardModel::tint() const {
  if (summary_.fakeCount() == 0) return Qt::transparent;
  QColor red = Palette::red();
  red.setAlphaF(0.6f);
  return red;
}

QString StoreCardModel::platformLine() const {
  QStringList flags;
  for (const QString& code : summary_.countries) flags.append(flagEmoji(code.toUpper()));
  return summary_.platform.label() + QLatin1Char(' ') + flags.join(QLatin1Char(' '));
}

// A damaged or unclear card tells neither way whether the store sells fakes, so it has no
// chip: a store with only such reports shows none.
std::vector<ChipValue> StoreCardModel::chips() const {
  std::vector<ChipValue> chips;
  if (const int fakes = summary_.fakeCount(); fakes > 0) {
    chips.push_back({tr("Fake: %1").arg(fakes), QStringLiteral("xmark.seal.fill"), Palette::red()});
  }
  if (const int genuine = summary_.genuineCount(); genuine > 0) {
    chips.push_back({tr("Genuine: %1").arg(genuine), QStringLiteral("checkmark.seal.fill"), Palette::green()});
  }
  return chips;
}

QVariantList StoreCardModel::reportList() const { return gadgetList(summary_.reports); }

}  // namespace tessorin
