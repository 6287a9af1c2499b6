#include "community/view/ReportRowModel.hpp"

#include <QStringList>

#include "theme/text/DisplayFormat.hpp"
#include "theme/Palette.hpp"
#include "community/view/MoneyText.hpp"
#include "community/view/RegionNames.hpp"

namespace tessorin {

void ReportRowModel::setReport(StoreReport report) {
  if (report_ == report) return;
  report_ = std::move(report);
  Q_EMIT reportChanged();
}

void ReportRowModel::setStore(QObject* store) {
  CommunityStore* community = qobject_cast<CommunityStore*>(store);
  if (store_ == community) return;
  store_ = community;
  Q_EMIT storeChanged();
}

QString ReportRowModel::titleOf(const StoreReport& report) {
  QString brand;
  if (report.brand && !report.brand->isEmpty()) {
    const std::optional<Brand> known = Brand::fromRawValue(report.brand->toStdString());
    brand = known ? DisplayFormat::brandLabel(*known) : *report.brand;
  } else {
    brand = tr("Card");
  }
  const QString capacity = DisplayFormat::formatCapacity(report.advertisedBytes);
  if (report.verdict == CheckOutcome::Verdict::fake && report.realBytes) {
    // One pass over all three, so that a typed brand holding "%2" stays as typed.
    return tr("%1 %2 — really %3").arg(brand, capacity, DisplayFormat::roundedSizeText(*report.realBytes));
  }
  return brand + QLatin1Char(' ') + capacity + QStringLiteral(" — ") + Palette::title(report.verdict);
}

QString ReportRowModel::detailOf(const StoreReport& report) {
  QStringList pieces;
  QStringList place;
  if (!report.city.isEmpty()) place.append(report.city);
  if (const QString country = regionName(report.country); !country.isEmpty()) place.append(country);
  if (!place.isEmpty()) pieces.append(place.join(QStringLiteral(", ")));
  if (report.price && report.currency) {
    if (const QString price = moneyText(*report.price, *report.currency); !price.isEmpty()) pieces.append(price);
  }
  pieces.append(DisplayFormat::abbreviatedDateText(report.date));
  pieces.append(report.method == CheckOutcome::Method::full ? tr("advanced test") : tr("quick check"));
  return pieces.join(QStringLiteral(" · "));
}

QString ReportRowModel::verdictSymbol() const { return Palette::sealSymbol(report_.verdict); }

QColor ReportRowModel::verdictColor() const { return Palette::verdictColor(report_.verdict); }

// Both are posted to the store: the report leaves the screen with them, and so does this
// row and the menu whose click is still being handled.
void ReportRowModel::flag() {
  if (!store_) return;
  QMetaObject::invokeMethod(
      store_.data(), [store = store_, report = report_] { if (store) store->flag(report); }, Qt::QueuedConnection);
}

void ReportRowModel::block() {
  if (!store_ || !report_.author) return;
  QMetaObject::invokeMethod(
      store_.data(), [store = store_, author = *report_.author] { if (store) store->block(author); },
      Qt::QueuedConnection);
}

}  // namespace tessorin
