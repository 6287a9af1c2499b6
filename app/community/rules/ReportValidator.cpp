#include "community/rules/ReportValidator.hpp"

#include <cmath>
#include <set>

#include "community/rules/StoreTextRules.hpp"
#include "session/records/CheckOutcome.hpp"
#include "session/records/Platform.hpp"

namespace tessorin {

namespace {

enum class Kind { text, integer, number, reference };

struct FieldRule {
  const char* key;
  Kind kind;
  bool required;
};

constexpr FieldRule reportFields[] = {
    {"store", Kind::text, true},        {"storeKey", Kind::text, true},         {"platform", Kind::text, true},
    {"country", Kind::text, true},      {"city", Kind::text, true},             {"brand", Kind::text, false},
    {"advertisedBytes", Kind::integer, true}, {"realBytes", Kind::integer, false}, {"verdict", Kind::text, true},
    {"method", Kind::text, true},       {"manufacturerID", Kind::integer, false}, {"price", Kind::number, false},
    {"currency", Kind::text, false},    {"appVersion", Kind::text, false},
};

constexpr FieldRule flagFields[] = {{"report", Kind::reference, true}};

RecordRefusal refuse(QString message, RecordErrorCode code = RecordErrorCode::invalidArguments) {
  return {code, std::move(message)};
}

bool hasKind(const RecordValue& value, Kind kind) {
  switch (kind) {
    case Kind::text:
      return std::holds_alternative<QString>(value);
    case Kind::integer:
      return std::holds_alternative<std::int64_t>(value);
    case Kind::number:
      return std::holds_alternative<double>(value);
    case Kind::reference:
      return std::holds_alternative<RecordReference>(value);
  }
  return false;
}

QString kindName(Kind kind) {
  switch (kind) {
    case Kind::text:
      return QStringLiteral("a text");
    case Kind::integer:
      return QStringLiteral("a 64-bit integer");
    case Kind::number:
      return QStringLiteral("a number");
    case Kind::reference:
      return QStringLiteral("a reference to a report");
  }
  return {};
}

template <std::size_t N>
std::optional<RecordRefusal> checkShape(const Record& record, const FieldRule (&rules)[N], const QString& what) {
  for (const auto& [key, value] : record.fields) {
    const FieldRule* rule = nullptr;
    for (const FieldRule& candidate : rules) {
      if (key == QLatin1String(candidate.key)) rule = &candidate;
    }
    if (rule == nullptr) return refuse(QStringLiteral("Remove the field \"%1\": %2 has no such field.").arg(key, what));
    if (!hasKind(value, rule->kind)) {
      return refuse(QStringLiteral("Give the field \"%1\" as %2.").arg(key, kindName(rule->kind)));
    }
    if (const QString* text = std::get_if<QString>(&value); text && text->toUtf8().size() > maximumTextBytes) {
      return refuse(QStringLiteral("Shorten the field \"%1\" to at most 1 KiB.").arg(key));
    }
  }
  for (const FieldRule& rule : rules) {
    if (rule.required && record.fields.count(QLatin1String(rule.key)) == 0) {
      return refuse(QStringLiteral("Add the field \"%1\".").arg(QLatin1String(rule.key)));
    }
  }
  return std::nullopt;
}

bool isPrintableAscii(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
  }
  return true;
}

std::optional<RecordRefusal> checkReport(const Record& record) {
  if (auto refusal = checkShape(record, reportFields, QStringLiteral("a store report"))) return refusal;

  const QString store = *record.text(QStringLiteral("store"));
  if (store.isEmpty() || cleanedStoreName(store) != store) {
    return refuse(QStringLiteral(
        "Enter the store’s name on one line, without links or email addresses, in at most 60 characters."));
  }
  if (*record.text(QStringLiteral("storeKey")) != normalizedStoreKey(store)) {
    return refuse(QStringLiteral("Set the store key to the key of the store’s name."));
  }
  if (!Platform::fromRawValue(record.text(QStringLiteral("platform"))->toStdString())) {
    return refuse(QStringLiteral("Choose one of the known platforms."));
  }
  const QString country = *record.text(QStringLiteral("country"));
  if (!country.isEmpty() && !isCapitalCode(country, 2)) {
    return refuse(QStringLiteral("Give the country as two capital letters, or leave it empty."));
  }
  const QString city = *record.text(QStringLiteral("city"));
  if (cleanedStoreName(city) != city) {
    return refuse(
        QStringLiteral("Enter the city on one line, without links or email addresses, in at most 60 characters."));
  }
  if (const auto brand = record.text(QStringLiteral("brand"))) {
    if (brand->isEmpty() || cleanedStoreName(*brand) != *brand || characterCount(*brand) > 30) {
      return refuse(
          QStringLiteral("Enter the brand on one line, without links or email addresses, in at most 30 characters."));
    }
  }
  for (const char* key : {"advertisedBytes", "realBytes"}) {
    if (const auto bytes = record.integer(QLatin1String(key)); bytes && *bytes < 0) {
      return refuse(QStringLiteral("Give \"%1\" as a byte count of zero or more.").arg(QLatin1String(key)));
    }
  }
  if (!CheckOutcome::Verdict::fromRawValue(record.text(QStringLiteral("verdict"))->toStdString())) {
    return refuse(QStringLiteral("Give the verdict as genuine, likelyGenuine, fake, damaged or inconclusive."));
  }
  if (!CheckOutcome::Method::fromRawValue(record.text(QStringLiteral("method"))->toStdString())) {
    return refuse(QStringLiteral("Give the method as quick or full."));
  }
  if (const auto id = record.integer(QStringLiteral("manufacturerID")); id && (*id < 0 || *id > 255)) {
    return refuse(QStringLiteral("Give the manufacturer ID as a number from 0 to 255."));
  }
  const auto price = record.fields.find(QStringLiteral("price"));
  const auto currency = record.text(QStringLiteral("currency"));
  if (price != record.fields.end()) {
    const double value = std::get<double>(price->second);
    if (!std::isfinite(value) || value < 0 || !currency || !isCapitalCode(*currency, 3)) {
      return refuse(QStringLiteral("Give the price as a number of zero or more with a three-letter currency code."));
    }
  } else if (currency) {
    return refuse(QStringLiteral("Leave out the currency when there is no price."));
  }
  if (const auto version = record.text(QStringLiteral("appVersion"));
      version && (version->size() > 32 || !isPrintableAscii(*version))) {
    return refuse(QStringLiteral("Give the application version in at most 32 printable ASCII characters."));
  }
  return std::nullopt;
}

std::optional<RecordRefusal> checkFlag(const Record& record,
                                       const std::function<bool(const QString& reportName)>& reportExists) {
  if (auto refusal = checkShape(record, flagFields, QStringLiteral("a flag"))) return refusal;
  const QString report = record.reference(QStringLiteral("report"))->recordName;
  if (!isRecordName(report) || !reportExists(report)) {
    return refuse(QStringLiteral("Flag a report that exists."), RecordErrorCode::unknownItem);
  }
  return std::nullopt;
}

}  // namespace

bool isKnownRecordType(const QString& recordType) {
  return recordType == recordtypes::storeReport || recordType == recordtypes::reportFlag;
}

bool isRecordName(const QString& name) {
  // Read character by character rather than matched by a regular expression: a match that
  // cannot get its memory reads as no match, and a server short of memory would refuse a
  // good record for good instead of asking for it again.
  if (name.size() != 36) return false;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t c = name.at(i).unicode();
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    const bool fits = dash ? c == u'-' : (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
    if (!fits) return false;
  }
  return true;
}

std::optional<RecordRefusal> validateRecord(const Record& record,
                                            const std::function<bool(const QString& reportName)>& reportExists) {
  if (!isKnownRecordType(record.recordType)) {
    return refuse(QStringLiteral("Use the record type StoreReport or ReportFlag."), RecordErrorCode::unknownItem);
  }
  if (!isRecordName(record.recordName)) {
    return refuse(QStringLiteral("Name the record with a new UUID in upper-case letters."));
  }
  if (record.recordType == recordtypes::storeReport) return checkReport(record);
  return checkFlag(record, reportExists);
}

}  // namespace tessorin
