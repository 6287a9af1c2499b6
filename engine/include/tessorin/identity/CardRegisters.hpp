#pragma once
// CardRegisters: a card's identity as the card reader's driver reports it (product name
// and revision, card type, manufacturer and OEM IDs, serial, manufacturing date, speed
// class, specification version). Any field may be missing. A plain value, safe to copy
// to any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tessorin/identity/RegistryValue.hpp"

namespace tessorin {

struct CardRegisters {
  std::optional<std::string> productName;
  std::optional<std::string> productRevision;
  std::optional<std::string> cardType;  // "SDSC", "SDHC", "SDXC", "SDUC" as the driver names it
  std::optional<std::uint8_t> manufacturerID;
  std::optional<std::string> oemID;     // printable: bytes outside 0x20-0x7E read as '?'
  std::optional<std::vector<std::uint8_t>> serialNumber;
  std::optional<std::int64_t> manufacturingYear;
  std::optional<std::int64_t> manufacturingMonth;  // as recorded, normally 1 to 12; not range-checked
  std::optional<std::uint8_t> speedClassCode;
  std::optional<std::string> specificationVersion;

  // Reads the driver's "Card Characteristics" dictionary under the keys "Product Name",
  // "Product Revision Level", "Card Type", "Manufacturer ID", "Application ID",
  // "OEM ID", "Serial Number", "Manufacturing Date" ("2019-07" or "2019"),
  // "Speed Class" and "Specification Version". Never fails: a missing key or a value
  // of an unusable kind leaves its field absent.
  static CardRegisters fromCharacteristics(const RegistryValue::Dictionary& characteristics);

  // Speed class number of the raw code (0, 2, 4, 6, 10 for codes 0 to 4).
  std::optional<std::int64_t> speedClassRating() const;
  // Serial bytes as upper-case hex pairs, no separator.
  std::optional<std::string> serialHex() const;

  // The three ways a dictionary value becomes a field; each gives nothing for a
  // missing key or a value of another kind.
  // Text, or bytes decoded as UTF-8, trimmed of white space, line breaks and control
  // characters at both ends (so NUL padding goes); empty after trimming is nothing.
  static std::optional<std::string> characteristicString(const RegistryValue::Dictionary& characteristics,
                                                         std::string_view key);
  // The low 8 bits of a number, or the last byte of a byte string.
  static std::optional<std::uint8_t> characteristicByte(const RegistryValue::Dictionary& characteristics,
                                                        std::string_view key);
  // A byte string as is, or a number as its big-endian bytes without leading zeros.
  static std::optional<std::vector<std::uint8_t>> characteristicData(
      const RegistryValue::Dictionary& characteristics, std::string_view key);
  // The ID bytes as text, every byte outside 0x20-0x7E replaced by '?'.
  static std::string oemBytes(const std::vector<std::uint8_t>& bytes);

  friend bool operator==(const CardRegisters&, const CardRegisters&) = default;
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::CardRegisters> {
  std::size_t operator()(const tessorin::CardRegisters& registers) const noexcept;
};
