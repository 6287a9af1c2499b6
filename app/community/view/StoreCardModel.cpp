#include "community/view/StoreCardModel.hpp"

#include <algorithm>

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

// Red for a store that sold fakes, green for one with sound cards, amber for one whose
// cards only came back damaged or unclear.
QVariantList StoreCardModel::badgeGradient() const {
  const QColor& colour = summary_.fakeCount() > 0      ? Palette::red()
                         : summary_.genuineCount() > 0 ? Palette::green()
                                                       : Palette::amber();
  return Palette::symbolTileGradient(colour);
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

// One chip per verdict the store's reports carry, so that the chips add up to its rows.
std::vector<ChipValue> StoreCardModel::chips() const {
  using Verdict = CheckOutcome::Verdict;
  std::vector<ChipValue> chips;
  for (const Verdict verdict :
       {Verdict::fake, Verdict::genuine, Verdict::likelyGenuine, Verdict::damaged, Verdict::inconclusive}) {
    const auto count = std::count_if(summary_.reports.begin(), summary_.reports.end(),
                                     [verdict](const StoreReport& report) { return report.verdict == verdict; });
    if (count == 0) continue;
    chips.push_back({tr("%1: %2").arg(Palette::title(verdict)).arg(count), Palette::sealSymbol(verdict),
                     Palette::verdictColor(verdict)});
  }
  return chips;
}

QVariantList StoreCardModel::reportList() const { return gadgetList(summary_.reports); }

}  // namespace tessorin
