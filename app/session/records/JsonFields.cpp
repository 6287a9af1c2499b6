#include "session/records/JsonFields.hpp"

#include <cctype>
#include <cmath>
#include <regex>

namespace tessorin::jsonfields {

namespace {

[[noreturn]] void fail(std::string_view key, std::string_view why) {
  throw DecodingError("\"" + std::string(key) + "\": " + std::string(why));
}

bool isCanonicalUuid(const std::string& text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
    if (hyphen ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

}  // namespace

void requireObject(const nlohmann::json& value, std::string_view what) {
  if (!value.is_object()) throw DecodingError(std::string(what) + ": not a JSON object");
}

const nlohmann::json* optionalField(const nlohmann::json& object, std::string_view key) {
  const auto found = object.find(std::string(key));
  if (found == object.end() || found->is_null()) return nullptr;
  return &*found;
}

const nlohmann::json& requiredField(const nlohmann::json& object, std::string_view key) {
  const nlohmann::json* value = optionalField(object, key);
  if (value == nullptr) fail(key, "missing");
  return *value;
}

std::string requiredText(const nlohmann::json& object, std::string_view key) {
  const nlohmann::json& value = requiredField(object, key);
  if (!value.is_string()) fail(key, "not text");
  return value.get<std::string>();
}

std::optional<std::string> optionalText(const nlohmann::json& object, std::string_view key) {
  if (optionalField(object, key) == nullptr) return std::nullopt;
  return requiredText(object, key);
}

std::uint64_t unsignedValue(const nlohmann::json& value, std::string_view key, std::uint64_t maximum) {
  if (!value.is_number_unsigned()) fail(key, "not a non-negative integer");
  const auto number = value.get<std::uint64_t>();
  if (number > maximum) fail(key, "out of range");
  return number;
}

std::optional<double> optionalNumber(const nlohmann::json& object, std::string_view key) {
  const nlohmann::json* value = optionalField(object, key);
  if (value == nullptr) return std::nullopt;
  if (!value->is_number()) fail(key, "not a number");
  return value->get<double>();
}

std::string uuidText(const QUuid& id) { return id.toString(QUuid::WithoutBraces).toUpper().toStdString(); }

QUuid requiredUuid(const nlohmann::json& object, std::string_view key) {
  const std::string text = requiredText(object, key);
  if (!isCanonicalUuid(text)) fail(key, "not a UUID");
  return QUuid::fromString(QString::fromStdString(text));
}

std::string dateText(const QDateTime& date) {
  const QString text = date.isValid() ? date.toUTC().toString(Qt::ISODate) : QString();
  if (text.isEmpty()) throw EncodingError("a date that has no ISO 8601 form");
  return text.toStdString();
}

QDateTime requiredDate(const nlohmann::json& object, std::string_view key) {
  static const std::regex internetDateTime(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(Z|[+-]\d{2}:\d{2}))");
  const std::string text = requiredText(object, key);
  if (!std::regex_match(text, internetDateTime)) fail(key, "not an ISO 8601 date-time");
  const QDateTime date = QDateTime::fromString(QString::fromStdString(text), Qt::ISODate);
  if (!date.isValid()) fail(key, "not a valid date-time");
  // An offset can carry a date past year 9999 or before year 1 in UTC, where it has no
  // ISO text: kept, it would stop every later save of the file it came from.
  const QDateTime utc = date.toUTC();
  if (utc.toString(Qt::ISODate).isEmpty()) fail(key, "outside the years 1 to 9999 in UTC");
  return utc;
}

void putFinite(nlohmann::json& object, const char* key, const std::optional<double>& value) {
  if (value && std::isfinite(*value)) object[key] = *value;
}

}  // namespace tessorin::jsonfields
