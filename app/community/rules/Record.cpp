#include "community/rules/Record.hpp"

namespace tessorin {

namespace {

template <class T>
std::optional<T> fieldAs(const std::map<QString, RecordValue>& fields, const QString& key) {
  const auto found = fields.find(key);
  if (found == fields.end()) return std::nullopt;
  if (const T* value = std::get_if<T>(&found->second)) return *value;
  return std::nullopt;
}

}  // namespace

std::optional<QString> Record::text(const QString& key) const { return fieldAs<QString>(fields, key); }

std::optional<std::int64_t> Record::integer(const QString& key) const { return fieldAs<std::int64_t>(fields, key); }

std::optional<double> Record::number(const QString& key) const {
  if (const auto value = fieldAs<double>(fields, key)) return value;
  if (const auto value = fieldAs<std::int64_t>(fields, key)) return static_cast<double>(*value);
  return std::nullopt;
}

std::optional<RecordReference> Record::reference(const QString& key) const {
  return fieldAs<RecordReference>(fields, key);
}

}  // namespace tessorin
