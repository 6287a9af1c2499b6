#include "tessorin/identity/XRay.hpp"

#include <time.h>

#include <algorithm>

#include "tessorin/identity/Manufacturers.hpp"

namespace tessorin {

namespace {

using Severity = XRaySignal::Severity;

constexpr std::uint64_t gib4 = std::uint64_t{1} << 32;
constexpr std::uint64_t gib32 = std::uint64_t{1} << 35;
constexpr std::uint64_t tib2 = std::uint64_t{1} << 41;
constexpr std::uint64_t oneTerabyte = 1'000'000'000'000;

// The largest medium each card type can address; other types (SDUC included) have no
// limit to judge by.
std::optional<std::uint64_t> cardTypeLimit(const std::string& type) {
  if (type == "SDSC") return gib4;
  if (type == "SDHC") return gib32;
  if (type == "SDXC") return tib2;
  return std::nullopt;
}

// Exact for every 64-bit year and month, so an absurd year cannot wrap round into the
// past. __extension__ keeps the pedantic build quiet about the 128-bit type.
__extension__ typedef __int128 MonthCount;

bool isMoreThanTwoMonthsAhead(std::int64_t year, std::int64_t month, std::chrono::year_month_day today) {
  const MonthCount card = MonthCount{year} * 12 + month;
  const MonthCount now = MonthCount{static_cast<int>(today.year())} * 12 + static_cast<unsigned>(today.month());
  return card > now + 2;
}

void appendManufacturer(std::vector<XRaySignal>& signals, const CardRegisters& registers, std::uint8_t id) {
  if (Manufacturers::isUnassigned(id)) {
    signals.push_back({Severity::warning, XRaySignal::ManufacturerUnassigned{id}});
    return;
  }
  const auto entry = Manufacturers::entry(id);
  if (!entry) {
    signals.push_back({Severity::info, XRaySignal::ManufacturerUnknown{id}});
    return;
  }
  signals.push_back({entry->generic ? Severity::warning : Severity::good,
                     XRaySignal::Manufacturer{id, entry->name, entry->generic}});
  if (registers.oemID && !entry->oemIDs.empty() &&
      std::find(entry->oemIDs.begin(), entry->oemIDs.end(), *registers.oemID) == entry->oemIDs.end()) {
    signals.push_back({Severity::warning, XRaySignal::OemMismatch{id, entry->oemIDs, *registers.oemID}});
  }
}

void appendBrand(std::vector<XRaySignal>& signals, std::uint8_t id, Brand brand) {
  const auto ids = brand.manufacturerIDs();
  if (brand == Brand::other || ids.empty()) return;
  if (std::find(ids.begin(), ids.end(), id) != ids.end()) {
    signals.push_back({Severity::good, XRaySignal::BrandMatches{brand}});
    return;
  }
  std::optional<std::string> foundName;
  if (const auto entry = Manufacturers::entry(id)) foundName = entry->name;
  signals.push_back({brand.mismatchIsCritical() ? Severity::critical : Severity::warning,
                     XRaySignal::BrandMismatch{brand, id, foundName}});
}

void appendCardType(std::vector<XRaySignal>& signals, const std::string& type, std::uint64_t size) {
  const auto limit = cardTypeLimit(type);
  if (limit && size > *limit) {
    signals.push_back({Severity::critical, XRaySignal::CapacityBeyondCardType{type, size}});
  } else if (type == "SDXC" && size <= gib32) {
    signals.push_back({Severity::warning, XRaySignal::CardTypeTooBig{type, size}});
  }
}

void appendDate(std::vector<XRaySignal>& signals, std::int64_t year, std::int64_t month, std::uint64_t size,
                std::chrono::year_month_day today) {
  // Cards are made with a date set; a year before 2002 is the register left at its default.
  if (year < 2002) {
    signals.push_back({Severity::warning, XRaySignal::DateNotSet{year, month}});
  } else if (isMoreThanTwoMonthsAhead(year, month, today)) {
    signals.push_back({Severity::warning, XRaySignal::DateInFuture{year, month}});
  } else if (year < 2010 && size > gib32) {
    // No card above 32 GiB existed before 2010.
    signals.push_back({Severity::warning, XRaySignal::DateTooEarly{year, month}});
  }
}

// Whether the registers name a maker that is known to build cards this large.
bool vouchesForCapacity(const std::optional<CardRegisters>& registers) {
  if (!registers || !registers->manufacturerID) return false;
  const auto entry = Manufacturers::entry(*registers->manufacturerID);
  return entry && !entry->generic;
}

}  // namespace

std::vector<XRaySignal> XRay::analyzeRegisters(const CardRegisters& registers, std::uint64_t advertisedBytes,
                                               std::optional<Brand> brand, std::chrono::year_month_day today) {
  std::vector<XRaySignal> signals;
  if (registers.manufacturerID) {
    appendManufacturer(signals, registers, *registers.manufacturerID);
    if (brand) appendBrand(signals, *registers.manufacturerID, *brand);
  }
  if (registers.cardType) appendCardType(signals, *registers.cardType, advertisedBytes);
  if (registers.manufacturingYear) {
    appendDate(signals, *registers.manufacturingYear, registers.manufacturingMonth.value_or(1), advertisedBytes, today);
  }
  if (registers.serialNumber && !registers.serialNumber->empty()) {
    const auto& serial = *registers.serialNumber;
    const bool allZero = std::all_of(serial.begin(), serial.end(), [](std::uint8_t b) { return b == 0x00; });
    const bool allOnes = std::all_of(serial.begin(), serial.end(), [](std::uint8_t b) { return b == 0xFF; });
    if (allZero || allOnes) signals.push_back({Severity::warning, XRaySignal::SerialNotSet{}});
  }
  if (!registers.productName) signals.push_back({Severity::warning, XRaySignal::ProductNameMissing{}});
  return signals;
}

XRayReport XRay::analyze(const CardDevice& device, std::optional<Brand> brand, std::chrono::year_month_day today) {
  const std::uint64_t size = device.mediaBytes;
  XRayReport report;
  if (device.registers) {
    report.signals = analyzeRegisters(*device.registers, size, brand, today);
  } else if (device.connection.kind != CardDevice::Connection::Kind::diskImage) {
    report.signals.push_back({Severity::info, XRaySignal::RegistersHidden{}});
  }

  bool judgeRarity = size > oneTerabyte;
  if (device.isSDCard() && size > tib2) {
    const bool ultraCapacity = device.registers && device.registers->cardType == "SDUC";
    if (!ultraCapacity) report.signals.push_back({Severity::critical, XRaySignal::CapacityBeyondAnyCard{size}});
    judgeRarity = ultraCapacity;
  }
  if (judgeRarity && device.isSDCard() && !vouchesForCapacity(device.registers)) {
    report.signals.push_back({Severity::warning, XRaySignal::RareCapacity{size}});
  }

  if (device.volume.fileSystem == "msdos" && size > gib32) {
    report.signals.push_back({Severity::info, XRaySignal::Fat32OnLargeCard{}});
  }
  if (device.hasLeftoverTestFiles) report.signals.push_back({Severity::info, XRaySignal::LeftoverTestFiles{}});
  return report;
}

std::chrono::year_month_day XRay::localDate(std::chrono::system_clock::time_point instant) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(instant);
  struct tm local {};
  if (::localtime_r(&seconds, &local) == nullptr) {
    return std::chrono::year_month_day{std::chrono::floor<std::chrono::days>(instant)};
  }
  return std::chrono::year_month_day{std::chrono::year{local.tm_year + 1900},
                                     std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                     std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
}

}  // namespace tessorin
