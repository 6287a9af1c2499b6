#include "tessorin/identity/CardRegisters.hpp"

#include <charconv>
#include <cstdio>

#include "identity/Utf8Text.hpp"
#include "tessorin/posix/HashCombine.hpp"

namespace tessorin {

namespace {

using Dictionary = RegistryValue::Dictionary;

// A decimal integer with an optional sign and nothing else; out of range is no number.
std::optional<std::int64_t> parseInteger(std::string_view text) {
  // from_chars takes a minus sign only; a plus may stand in front of digits alone.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-') return std::nullopt;
  }
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

struct ManufacturingDate {
  std::optional<std::int64_t> year;
  std::optional<std::int64_t> month;
};

// "2019-07" gives year and month; pieces that are not numbers are skipped, so the
// first two numbers found are taken, whatever stands around them.
ManufacturingDate parseDate(std::string_view text) {
  ManufacturingDate date;
  while (!text.empty() && !date.month) {
    const std::size_t dash = text.find('-');
    const std::string_view piece = text.substr(0, dash);
    text = dash == std::string_view::npos ? std::string_view() : text.substr(dash + 1);
    if (piece.empty()) continue;
    const auto number = parseInteger(piece);
    if (!number) continue;
    if (!date.year) {
      date.year = number;
    } else {
      date.month = number;
    }
  }
  return date;
}

std::optional<std::string> readOEM(const Dictionary& characteristics) {
  if (auto bytes = CardRegisters::characteristicData(characteristics, "Application ID"))
    return CardRegisters::oemBytes(*bytes);
  if (auto bytes = CardRegisters::characteristicData(characteristics, "OEM ID")) return CardRegisters::oemBytes(*bytes);
  return CardRegisters::characteristicString(characteristics, "OEM ID");
}

}  // namespace

std::optional<std::string> CardRegisters::characteristicString(const Dictionary& characteristics, std::string_view key) {
  const RegistryValue* value = findValue(characteristics, key);
  if (!value) return std::nullopt;
  std::string text;
  if (const std::string* string = value->asText()) {
    text = decodeUtf8Lossy(*string);
  } else if (const RegistryValue::Bytes* bytes = value->asBytes()) {
    text = decodeUtf8Lossy(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  } else {
    return std::nullopt;
  }
  std::string trimmed = trimInvisible(text);
  if (trimmed.empty()) return std::nullopt;
  return trimmed;
}

std::optional<std::uint8_t> CardRegisters::characteristicByte(const Dictionary& characteristics, std::string_view key) {
  const RegistryValue* value = findValue(characteristics, key);
  if (!value) return std::nullopt;
  if (const auto number = value->asNumber()) return static_cast<std::uint8_t>(static_cast<std::uint64_t>(*number) & 0xFF);
  if (const RegistryValue::Bytes* bytes = value->asBytes()) {
    if (bytes->empty()) return std::nullopt;
    return bytes->back();
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> CardRegisters::characteristicData(const Dictionary& characteristics,
                                                                           std::string_view key) {
  const RegistryValue* value = findValue(characteristics, key);
  if (!value) return std::nullopt;
  if (const RegistryValue::Bytes* bytes = value->asBytes()) return *bytes;
  if (const auto number = value->asNumber()) {
    // Registers published as integers: the significant bytes, most significant first.
    const auto bits = static_cast<std::uint64_t>(*number);
    std::vector<std::uint8_t> bytes;
    for (int shift = 56; shift >= 0; shift -= 8) {
      const auto byte = static_cast<std::uint8_t>(bits >> shift);
      if (bytes.empty() && byte == 0) continue;
      bytes.push_back(byte);
    }
    return bytes;
  }
  return std::nullopt;
}

std::string CardRegisters::oemBytes(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const std::uint8_t byte : bytes) text += byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '?';
  return text;
}

CardRegisters CardRegisters::fromCharacteristics(const Dictionary& characteristics) {
  CardRegisters registers;
  registers.productName = characteristicString(characteristics, "Product Name");
  registers.productRevision = characteristicString(characteristics, "Product Revision Level");
  registers.cardType = characteristicString(characteristics, "Card Type");
  registers.manufacturerID = characteristicByte(characteristics, "Manufacturer ID");
  registers.oemID = readOEM(characteristics);
  registers.serialNumber = characteristicData(characteristics, "Serial Number");
  if (const auto date = characteristicString(characteristics, "Manufacturing Date")) {
    const ManufacturingDate parsed = parseDate(*date);
    registers.manufacturingYear = parsed.year;
    registers.manufacturingMonth = parsed.month;
  }
  registers.speedClassCode = characteristicByte(characteristics, "Speed Class");
  registers.specificationVersion = characteristicString(characteristics, "Specification Version");
  return registers;
}

std::optional<std::int64_t> CardRegisters::speedClassRating() const {
  if (!speedClassCode) return std::nullopt;
  switch (*speedClassCode) {
    case 0: return 0;
    case 1: return 2;
    case 2: return 4;
    case 3: return 6;
    case 4: return 10;
    default: return std::nullopt;
  }
}

std::optional<std::string> CardRegisters::serialHex() const {
  if (!serialNumber) return std::nullopt;
  std::string text;
  text.reserve(serialNumber->size() * 2);
  for (const std::uint8_t byte : *serialNumber) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", byte);
    text += pair;
  }
  return text;
}

}  // namespace tessorin

std::size_t std::hash<tessorin::CardRegisters>::operator()(const tessorin::CardRegisters& registers) const noexcept {
  std::size_t seed = 0;
  tessorin::hashField(seed, registers.productName);
  tessorin::hashField(seed, registers.productRevision);
  tessorin::hashField(seed, registers.cardType);
  tessorin::hashField(seed, registers.manufacturerID);
  tessorin::hashField(seed, registers.oemID);
  tessorin::hashCombine(seed, registers.serialNumber.has_value());
  if (registers.serialNumber) {
    for (const std::uint8_t byte : *registers.serialNumber) tessorin::hashCombine(seed, byte);
  }
  tessorin::hashField(seed, registers.manufacturingYear);
  tessorin::hashField(seed, registers.manufacturingMonth);
  tessorin::hashField(seed, registers.speedClassCode);
  tessorin::hashField(seed, registers.specificationVersion);
  return seed;
}
