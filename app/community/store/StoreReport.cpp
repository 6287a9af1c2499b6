#include "community/store/StoreReport.hpp"

#include <cmath>
#include <limits>

#include <QHash>
#include <QUuid>

#include "community/rules/ReportValidator.hpp"
#include "community/rules/StoreTextRules.hpp"
#include "community/store/CommunityError.hpp"
#include "tessorin/posix/HashCombine.hpp"

namespace tessorin {

namespace {

constexpr std::uint64_t largestSigned = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

QString newRecordName() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

std::int64_t cappedBytes(std::uint64_t bytes) { return static_cast<std::int64_t>(std::min(bytes, largestSigned)); }

std::uint64_t bytesRead(std::int64_t stored) { return stored < 0 ? 0 : static_cast<std::uint64_t>(stored); }

std::optional<QString> cleanedBrand(const QString& text) {
  const QString cleaned = firstCharacters(cleanedStoreName(text), 30);
  if (cleaned.isEmpty()) return std::nullopt;
  return cleaned;
}

}  // namespace

std::optional<StoreReport> StoreReport::fromRecord(const Record& record) {
  const auto storeText = record.text(QStringLiteral("store"));
  const auto verdictText = record.text(QStringLiteral("verdict"));
  const auto advertised = record.integer(QStringLiteral("advertisedBytes"));
  if (!storeText || !verdictText || !advertised) return std::nullopt;
  const auto verdict = CheckOutcome::Verdict::fromRawValue(verdictText->toStdString());
  if (!verdict) return std::nullopt;
  const QString store = cleanedStoreName(*storeText);
  if (store.isEmpty()) return std::nullopt;

  StoreReport report;
  report.id = record.recordName;
  report.store = store;
  // Computed here, never taken from the record: a record's own key could file it under
  // another store's name.
  report.storeKey = normalizedStoreKey(store);
  const auto platformText = record.text(QStringLiteral("platform"));
  report.platform = platformText ? Platform::fromRawValue(platformText->toStdString()).value_or(Platform::other)
                                 : Platform(Platform::other);
  const QString country = record.text(QStringLiteral("country")).value_or(QString());
  report.country = isCapitalCode(country, 2) ? country : QString();
  report.city = cleanedStoreName(record.text(QStringLiteral("city")).value_or(QString()));
  if (const auto brand = record.text(QStringLiteral("brand"))) report.brand = cleanedBrand(*brand);
  report.advertisedBytes = bytesRead(*advertised);
  if (const auto real = record.integer(QStringLiteral("realBytes"))) report.realBytes = bytesRead(*real);
  report.verdict = *verdict;
  report.method = record.text(QStringLiteral("method")) == QStringLiteral("full") ? CheckOutcome::Method::full
                                                                                 : CheckOutcome::Method::quick;
  if (const auto price = record.number(QStringLiteral("price")); price && std::isfinite(*price) && *price >= 0) {
    report.price = *price == 0 ? 0.0 : *price;
  }
  if (const auto currency = record.text(QStringLiteral("currency")); currency && isCapitalCode(*currency, 3)) {
    report.currency = *currency;
  }
  report.date = record.creationDate.value_or(QDateTime::currentDateTimeUtc());
  report.author = record.creator;
  return report;
}

Record makeStoreReportRecord(const CheckRecord& check, const Purchase& purchase, const QString& appVersion) {
  const QString store = cleanedStoreName(QString::fromStdString(purchase.store));
  if (store.isEmpty()) throw CommunityError(CommunityError::invalidStoreName);

  Record record;
  record.recordType = recordtypes::storeReport;
  record.recordName = newRecordName();
  auto& fields = record.fields;
  fields[QStringLiteral("store")] = store;
  fields[QStringLiteral("storeKey")] = normalizedStoreKey(store);
  fields[QStringLiteral("platform")] = QString::fromUtf8(purchase.platform.rawValue());
  fields[QStringLiteral("country")] = QString::fromStdString(purchase.country);
  fields[QStringLiteral("city")] = cleanedStoreName(QString::fromStdString(purchase.city));
  std::optional<QString> brandText;
  if (check.brandName) {
    brandText = QString::fromStdString(*check.brandName);
  } else if (check.brand) {
    brandText = QString::fromUtf8(check.brand->rawValue());
  }
  if (brandText) {
    if (const auto brand = cleanedBrand(*brandText)) fields[QStringLiteral("brand")] = *brand;
  }
  fields[QStringLiteral("advertisedBytes")] = cappedBytes(check.advertisedBytes);
  if (check.realBytes) fields[QStringLiteral("realBytes")] = cappedBytes(*check.realBytes);
  fields[QStringLiteral("verdict")] = QString::fromUtf8(check.verdict.rawValue());
  fields[QStringLiteral("method")] = QString::fromUtf8(check.method.rawValue());
  if (check.manufacturerID) fields[QStringLiteral("manufacturerID")] = static_cast<std::int64_t>(*check.manufacturerID);
  if (purchase.price) {
    fields[QStringLiteral("price")] = *purchase.price;
    fields[QStringLiteral("currency")] = QString::fromStdString(purchase.currency);
  }
  if (!appVersion.isEmpty()) fields[QStringLiteral("appVersion")] = appVersion;
  return record;
}

Record makeReportFlagRecord(const StoreReport& report) {
  Record record;
  record.recordType = recordtypes::reportFlag;
  record.recordName = newRecordName();
  record.fields[QStringLiteral("report")] = RecordReference{report.id};
  return record;
}

}  // namespace tessorin

std::size_t std::hash<tessorin::StoreReport>::operator()(const tessorin::StoreReport& report) const noexcept {
  using tessorin::hashCombine;
  const auto text = [](std::size_t& seed, const QString& value) { hashCombine(seed, qHash(value)); };
  const auto optionalText = [&](std::size_t& seed, const std::optional<QString>& value) {
    hashCombine(seed, value.has_value());
    if (value) text(seed, *value);
  };
  std::size_t seed = 0;
  text(seed, report.id);
  text(seed, report.store);
  text(seed, report.storeKey);
  hashCombine(seed, qHash(QString::fromUtf8(report.platform.rawValue())));
  text(seed, report.country);
  text(seed, report.city);
  optionalText(seed, report.brand);
  tessorin::hashField(seed, report.advertisedBytes);
  tessorin::hashField(seed, report.realBytes);
  hashCombine(seed, qHash(QString::fromUtf8(report.verdict.rawValue())));
  hashCombine(seed, qHash(QString::fromUtf8(report.method.rawValue())));
  // -0.0 equals 0.0, so both must hash alike.
  tessorin::hashField(seed, report.price ? std::optional<double>(*report.price == 0 ? 0.0 : *report.price)
                                         : std::optional<double>());
  optionalText(seed, report.currency);
  hashCombine(seed, qHash(report.date));
  optionalText(seed, report.author);
  return seed;
}
