#pragma once
// JsonFields: the field-level rules shared by the application's JSON records. Readers
// are strict (a required key must be there with the right JSON type, integers must be
// exact and in range, enumeration texts must name a case) and throw DecodingError;
// writers leave out what is absent so that no key ever holds null. Pure functions,
// callable from any thread.

#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <QDateTime>
#include <QUuid>
#include <nlohmann/json.hpp>

namespace tessorin {

// One record could not be read back; what names the key and why.
struct DecodingError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Raised only for values that have no JSON form at all (an invalid date, a null id).
struct EncodingError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

namespace jsonfields {

void requireObject(const nlohmann::json& value, std::string_view what);

// The value at key, or nothing when the key is missing or null.
const nlohmann::json* optionalField(const nlohmann::json& object, std::string_view key);
const nlohmann::json& requiredField(const nlohmann::json& object, std::string_view key);

std::string requiredText(const nlohmann::json& object, std::string_view key);
std::optional<std::string> optionalText(const nlohmann::json& object, std::string_view key);

// A JSON number that is a non-negative integer: nlohmann keeps those apart from negative
// and fractional numbers, so nothing is converted silently.
std::uint64_t unsignedValue(const nlohmann::json& value, std::string_view key, std::uint64_t maximum);

template <typename T>
T requiredUnsigned(const nlohmann::json& object, std::string_view key) {
  return static_cast<T>(unsignedValue(requiredField(object, key), key, std::numeric_limits<T>::max()));
}

template <typename T>
std::optional<T> optionalUnsigned(const nlohmann::json& object, std::string_view key) {
  const nlohmann::json* value = optionalField(object, key);
  if (value == nullptr) return std::nullopt;
  return static_cast<T>(unsignedValue(*value, key, std::numeric_limits<T>::max()));
}

std::optional<double> optionalNumber(const nlohmann::json& object, std::string_view key);

// Canonical upper-case text on writing; either case on reading.
std::string uuidText(const QUuid& id);
QUuid requiredUuid(const nlohmann::json& object, std::string_view key);

// Internet date-time in UTC to the whole second ("2024-05-01T09:30:00Z"); reading takes
// any offset but no fractional seconds.
std::string dateText(const QDateTime& date);
QDateTime requiredDate(const nlohmann::json& object, std::string_view key);

// An enumeration stored by case name, through the type's own raw-value parser.
template <typename Enum, typename Parse>
Enum requiredCase(const nlohmann::json& object, std::string_view key, Parse parse) {
  const std::string text = requiredText(object, key);
  const std::optional<Enum> value = parse(text);
  if (!value) throw DecodingError("\"" + std::string(key) + "\": unknown value \"" + text + "\"");
  return *value;
}

template <typename Enum, typename Parse>
std::optional<Enum> optionalCase(const nlohmann::json& object, std::string_view key, Parse parse) {
  if (optionalField(object, key) == nullptr) return std::nullopt;
  return requiredCase<Enum>(object, key, parse);
}

template <typename T>
void putOptional(nlohmann::json& object, const char* key, const std::optional<T>& value) {
  if (value) object[key] = *value;
}

// A number JSON cannot hold (NaN, infinity) is written as absent: one bad speed must not
// stop the whole history from being saved.
void putFinite(nlohmann::json& object, const char* key, const std::optional<double>& value);

}  // namespace jsonfields
}  // namespace tessorin
