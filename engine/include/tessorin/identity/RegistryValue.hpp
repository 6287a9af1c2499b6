#pragma once
// RegistryValue: one property value as a device driver publishes it (text, bytes, an
// integer, a Boolean, or a dictionary of further values keyed by text). The scanner
// builds these from what the kernel exposes; the identity code reads them and treats a
// value of an unexpected kind as absent. Immutable once built, so copies (which share
// nested dictionaries) may cross threads freely.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tessorin {

class RegistryValue {
 public:
  using Bytes = std::vector<std::uint8_t>;
  // Transparent comparison, so a key can be looked up as a string_view or literal.
  using Dictionary = std::map<std::string, RegistryValue, std::less<>>;

  enum class Kind { text, bytes, number, boolean, dictionary };

  // Named constructors: a literal 1 must not silently become a Boolean or a text.
  static RegistryValue text(std::string value) { return RegistryValue(std::in_place_index<0>, std::move(value)); }
  static RegistryValue bytes(Bytes value) { return RegistryValue(std::in_place_index<1>, std::move(value)); }
  static RegistryValue number(std::int64_t value) { return RegistryValue(std::in_place_index<2>, value); }
  static RegistryValue boolean(bool value) { return RegistryValue(std::in_place_index<3>, value); }
  static RegistryValue dictionary(Dictionary value) {
    return RegistryValue(std::in_place_index<4>, std::make_shared<const Dictionary>(std::move(value)));
  }

  Kind kind() const { return static_cast<Kind>(storage_.index()); }

  // Each accessor answers only for its own kind: nothing is converted.
  const std::string* asText() const { return std::get_if<std::string>(&storage_); }
  const Bytes* asBytes() const { return std::get_if<Bytes>(&storage_); }
  std::optional<std::int64_t> asNumber() const;
  std::optional<bool> asBoolean() const;
  const Dictionary* asDictionary() const;

  friend bool operator==(const RegistryValue& a, const RegistryValue& b);

 private:
  // Alternatives in the order of Kind. A dictionary sits behind a pointer because the
  // map would otherwise hold the type being defined.
  using Storage = std::variant<std::string, Bytes, std::int64_t, bool, std::shared_ptr<const Dictionary>>;

  // Built in place: going through a temporary Storage trips a false "may be used
  // uninitialized" warning in g++ 12 under the sanitizers.
  template <std::size_t index, class Value>
  RegistryValue(std::in_place_index_t<index> alternative, Value&& value)
      : storage_(alternative, std::forward<Value>(value)) {}

  Storage storage_;
};

// The value under key, or nothing when the key is missing.
const RegistryValue* findValue(const RegistryValue::Dictionary& dictionary, std::string_view key);

}  // namespace tessorin
