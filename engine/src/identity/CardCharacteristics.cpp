#include "tessorin/identity/CardCharacteristics.hpp"

#include <charconv>
#include <cstdio>

#include "tessorin/identity/SysfsRegistry.hpp"

namespace tessorin {
namespace {

constexpr std::uint64_t GiB = std::uint64_t{1} << 30;

std::optional<std::uint64_t> parseNumber(std::string_view text, int base) {
  std::uint64_t value = 0;
  const auto* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
  return value;
}

// The attributes print "0x%06x", "0x%04x", "0x%08x" and "0x%x".
std::optional<std::uint64_t> parsePrefixedHex(std::string_view text) {
  if (text.size() < 3 || text.substr(0, 2) != "0x") return std::nullopt;
  return parseNumber(text.substr(2), 16);
}

// Bits high..low (inclusive, at most 64) of a register printed as hex digits, most
// significant first; bit 0 is the last digit's lowest bit.
std::optional<std::uint64_t> registerBits(std::string_view hex, int high, int low) {
  const int width = static_cast<int>(hex.size()) * 4;
  if (high >= width || low < 0 || high < low || high - low >= 64) return std::nullopt;
  std::uint64_t value = 0;
  for (int bit = high; bit >= low; --bit) {
    const char digit = hex[static_cast<std::size_t>((width - 1 - bit) / 4)];
    const auto nibble = parseNumber(std::string_view(&digit, 1), 16);
    if (!nibble) return std::nullopt;
    value = (value << 1) | ((*nibble >> (bit % 4)) & 1);
  }
  return value;
}

bool isHex(std::string_view text) {
  for (const char c : text) {
    if (!parseNumber(std::string_view(&c, 1), 16)) return false;
  }
  return !text.empty();
}

// The value's `count` low bytes, most significant first: a serial of 0 stays four zero
// bytes, so the rule for an unset serial can still see it.
RegistryValue::Bytes bigEndianBytes(std::uint64_t value, std::size_t count) {
  RegistryValue::Bytes bytes(count);
  for (std::size_t i = count; i-- > 0; value >>= 8) bytes[i] = static_cast<std::uint8_t>(value & 0xFF);
  return bytes;
}

}  // namespace

std::optional<std::string> CardCharacteristics::cardType(std::string_view csd) {
  if (csd.size() != 32 || !isHex(csd)) return std::nullopt;
  switch (*registerBits(csd, 127, 126)) {
    case 0:
      return "SDSC";
    case 1: {
      const std::uint64_t capacity = (*registerBits(csd, 69, 48) + 1) * 512 * 1024;
      return capacity > 32 * GiB ? "SDXC" : "SDHC";
    }
    case 2:
      return "SDUC";
    default:
      return std::nullopt;
  }
}

std::optional<std::int64_t> CardCharacteristics::speedClass(std::string_view ssr) {
  if (ssr.size() != 128 || !isHex(ssr)) return std::nullopt;
  if (ssr.find_first_not_of('0') == std::string_view::npos) return std::nullopt;
  return static_cast<std::int64_t>(*registerBits(ssr, 447, 440));
}

std::optional<std::string> CardCharacteristics::specificationVersion(std::string_view scr) {
  if (scr.size() != 16 || !isHex(scr)) return std::nullopt;
  const auto spec = *registerBits(scr, 59, 56);
  const auto spec3 = *registerBits(scr, 47, 47);
  const auto spec4 = *registerBits(scr, 42, 42);
  const auto specX = *registerBits(scr, 41, 38);
  if (spec == 0) return "1.0";
  if (spec == 1) return "1.10";
  if (spec != 2) return std::nullopt;
  if (spec3 == 0) return spec4 == 0 && specX == 0 ? std::optional<std::string>("2.00") : std::nullopt;
  if (specX == 0) return spec4 == 0 ? "3.0x" : "4.xx";
  if (specX <= 5) return std::to_string(specX + 4) + ".xx";
  return std::nullopt;
}

std::optional<std::string> CardCharacteristics::manufacturingDate(std::string_view sysfsDate) {
  const auto slash = sysfsDate.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const auto month = parseNumber(sysfsDate.substr(0, slash), 10);
  const auto year = parseNumber(sysfsDate.substr(slash + 1), 10);
  if (!month || !year || *month > 99 || *year > 9999) return std::nullopt;
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u", static_cast<unsigned>(*year), static_cast<unsigned>(*month));
  return text;
}

std::optional<RegistryValue::Dictionary> CardCharacteristics::read(const std::filesystem::path& card) {
  const auto type = SysfsRegistry::attribute(card, "type");
  if (type != "SD" && type != "SDcombo") return std::nullopt;
  auto read = [&card](std::string_view name) { return SysfsRegistry::attribute(card, name); };
  auto readHex = [&read](std::string_view name) {
    const auto text = read(name);
    return text ? parsePrefixedHex(*text) : std::nullopt;
  };

  RegistryValue::Dictionary characteristics;
  auto put = [&characteristics](const char* key, RegistryValue value) { characteristics.emplace(key, std::move(value)); };
  if (const auto name = read("name")) put("Product Name", RegistryValue::text(*name));
  const auto hardware = readHex("hwrev");
  const auto firmware = readHex("fwrev");
  if (hardware && firmware) {
    put("Product Revision Level", RegistryValue::text(std::to_string(*hardware) + "." + std::to_string(*firmware)));
  }
  if (const auto csd = read("csd")) {
    if (const auto kind = cardType(*csd)) put("Card Type", RegistryValue::text(*kind));
  }
  if (const auto manufacturer = readHex("manfid")) {
    put("Manufacturer ID", RegistryValue::number(static_cast<std::int64_t>(*manufacturer)));
  }
  if (const auto oem = readHex("oemid")) put("OEM ID", RegistryValue::bytes(bigEndianBytes(*oem, 2)));
  if (const auto serial = readHex("serial")) put("Serial Number", RegistryValue::bytes(bigEndianBytes(*serial, 4)));
  if (const auto date = read("date")) {
    if (const auto text = manufacturingDate(*date)) put("Manufacturing Date", RegistryValue::text(*text));
  }
  if (const auto ssr = read("ssr")) {
    if (const auto code = speedClass(*ssr)) put("Speed Class", RegistryValue::number(*code));
  }
  if (const auto scr = read("scr")) {
    if (const auto version = specificationVersion(*scr)) put("Specification Version", RegistryValue::text(*version));
  }
  return characteristics;
}

}  // namespace tessorin
