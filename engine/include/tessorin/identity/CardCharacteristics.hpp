#pragma once
// CardCharacteristics: an SD card's identity registers as the kernel's mmc driver
// publishes them in the card's sysfs directory (name, manfid, oemid, serial, date,
// hwrev, fwrev, and the raw CSD, SCR and SSR), turned into the "Card Characteristics"
// dictionary that CardRegisters reads. Stateless; safe from any thread.
//
// The raw registers arrive as the kernel prints them: the register's bits as hex
// digits, most significant first (CSD 128 bits, SCR 64, SSR 512).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "tessorin/identity/RegistryValue.hpp"

namespace tessorin {

struct CardCharacteristics {
  // The dictionary for the card in `card` (an mmc bus device directory); absent unless
  // the kernel calls it an SD card ("SD", or "SDcombo" for SD with SDIO).
  static std::optional<RegistryValue::Dictionary> read(const std::filesystem::path& card);

  // "SDSC", "SDHC", "SDXC" or "SDUC" from the CSD's structure version and, for version
  // 2, the capacity its C_SIZE declares (SDXC above 32 GiB).
  static std::optional<std::string> cardType(std::string_view csd);
  // The SSR's SPEED_CLASS code; absent for a register the kernel never filled (all zero).
  static std::optional<std::int64_t> speedClass(std::string_view ssr);
  // The SCR's physical layer version: "1.0", "1.10", "2.00", "3.0x", "4.xx" to "9.xx".
  static std::optional<std::string> specificationVersion(std::string_view scr);
  // sysfs prints the date "MM/YYYY"; the dictionary carries "YYYY-MM".
  static std::optional<std::string> manufacturingDate(std::string_view sysfsDate);
};

}  // namespace tessorin
