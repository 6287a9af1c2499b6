#include "tessorin/identity/RegistryValue.hpp"

namespace tessorin {

std::optional<std::int64_t> RegistryValue::asNumber() const {
  if (const auto* value = std::get_if<std::int64_t>(&storage_)) return *value;
  return std::nullopt;
}

std::optional<bool> RegistryValue::asBoolean() const {
  if (const auto* value = std::get_if<bool>(&storage_)) return *value;
  return std::nullopt;
}

const RegistryValue::Dictionary* RegistryValue::asDictionary() const {
  const auto* value = std::get_if<std::shared_ptr<const Dictionary>>(&storage_);
  return value ? value->get() : nullptr;
}

bool operator==(const RegistryValue& a, const RegistryValue& b) {
  if (a.kind() != b.kind()) return false;
  if (a.kind() == RegistryValue::Kind::dictionary) return *a.asDictionary() == *b.asDictionary();
  return a.storage_ == b.storage_;
}

const RegistryValue* findValue(const RegistryValue::Dictionary& dictionary, std::string_view key) {
  const auto found = dictionary.find(key);
  return found == dictionary.end() ? nullptr : &found->second;
}

}  // namespace tessorin
