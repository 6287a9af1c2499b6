#include "tessorin/identity/XRay.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>

namespace tessorin {

// Failure messages name the severity and the kind's position instead of dumping bytes.
void PrintTo(const XRaySignal& signal, std::ostream* out) {
  *out << "{severity " << static_cast<int>(signal.severity) << ", kind " << signal.kind.index() << "}";
}

namespace {

using namespace std::chrono_literals;
using Severity = XRaySignal::Severity;
using Verdict = XRayReport::Verdict;
using S = XRaySignal;

constexpr std::uint64_t GB = 1'000'000'000;
constexpr std::uint64_t gib32 = std::uint64_t{1} << 35;
constexpr std::uint64_t tib2 = std::uint64_t{1} << 41;
constexpr std::chrono::year_month_day december2026{2026y / 12 / 15};

// What a genuine 64 GB SanDisk card reports.
CardRegisters genuineRegisters() {
  CardRegisters registers;
  registers.productName = "SN64G";
  registers.cardType = "SDXC";
  registers.manufacturerID = 0x03;
  registers.oemID = "SD";
  registers.serialNumber = std::vector<std::uint8_t>{0x12, 0x34, 0x56, 0x78};
  registers.manufacturingYear = 2019;
  registers.manufacturingMonth = 5;
  return registers;
}

CardDevice device(std::uint64_t size, std::optional<CardRegisters> registers, CardDevice::Connection connection,
                  std::string fileSystem = "exfat") {
  CardDevice card;
  card.mediaBytes = size;
  card.registers = std::move(registers);
  card.connection = std::move(connection);
  card.volume.fileSystem = std::move(fileSystem);
  return card;
}

CardDevice builtInCard(std::uint64_t size, CardRegisters registers = genuineRegisters()) {
  return device(size, std::move(registers), CardDevice::Connection::builtInReader());
}

TEST(XRayTest, GenuineCardOfClaimedBrandHasOnlyGoodSignals) {
  const XRayReport report = XRay::analyze(builtInCard(64 * GB), Brand::sandisk, december2026);
  EXPECT_EQ(report.signals, (std::vector<XRaySignal>{{Severity::good, S::Manufacturer{0x03, "SanDisk", false}},
                                                     {Severity::good, S::BrandMatches{Brand::sandisk}}}));
  EXPECT_EQ(report.verdict(), Verdict::noRedFlags);
}

struct RegisterCase {
  const char* name;
  void (*change)(CardRegisters&);
  std::optional<Brand> brand;
  std::uint64_t size;
  std::vector<XRaySignal> expected;
};

TEST(XRayTest, RegisterRulesRaiseExactlyTheirSignals) {
  const auto none = std::nullopt;
  const RegisterCase cases[] = {
      {"unassigned ID against a critical brand",
       [](CardRegisters& r) { r.manufacturerID = 0x00; },
       Brand::sandisk,
       64 * GB,
       {{Severity::warning, S::ManufacturerUnassigned{0x00}},
        {Severity::critical, S::BrandMismatch{Brand::sandisk, 0x00, none}}}},
      {"another maker's ID against a lenient brand",
       [](CardRegisters& r) { r.manufacturerID = 0x1B; r.oemID = "SM"; },
       Brand::lexar,
       64 * GB,
       {{Severity::good, S::Manufacturer{0x1B, "Samsung", false}},
        {Severity::warning, S::BrandMismatch{Brand::lexar, 0x1B, "Samsung"}}}},
      {"ID outside the table that the brand lists",
       [](CardRegisters& r) { r.manufacturerID = 0x9F; },
       Brand::kingston,
       64 * GB,
       {{Severity::info, S::ManufacturerUnknown{0x9F}}, {Severity::good, S::BrandMatches{Brand::kingston}}}},
      {"generic ID",
       [](CardRegisters& r) { r.manufacturerID = 0x6F; },
       none,
       64 * GB,
       {{Severity::warning, S::Manufacturer{0x6F, "STMicroelectronics", true}}}},
      {"OEM ID foreign to the maker",
       [](CardRegisters& r) { r.manufacturerID = 0x74; r.oemID = "SD"; },
       none,
       64 * GB,
       {{Severity::good, S::Manufacturer{0x74, "Transcend", false}},
        {Severity::warning, S::OemMismatch{0x74, {"JE", "J`"}, "SD"}}}},
      {"second OEM ID of the maker",
       [](CardRegisters& r) { r.manufacturerID = 0x74; r.oemID = "J`"; },
       none,
       64 * GB,
       {{Severity::good, S::Manufacturer{0x74, "Transcend", false}}}},
      {"no OEM ID to compare",
       [](CardRegisters& r) { r.manufacturerID = 0x74; r.oemID.reset(); },
       none,
       64 * GB,
       {{Severity::good, S::Manufacturer{0x74, "Transcend", false}}}},
      {"maker that lists no OEM IDs",
       [](CardRegisters& r) { r.manufacturerID = 0x30; r.oemID = "??"; },
       none,
       64 * GB,
       {{Severity::good, S::Manufacturer{0x30, "SanDisk", false}}}},
      {"OEM ID not compared for an unknown maker",
       [](CardRegisters& r) { r.manufacturerID = 0x9F; r.oemID = "XX"; },
       none,
       64 * GB,
       {{Severity::info, S::ManufacturerUnknown{0x9F}}}},
      {"catch-all brand is never compared",
       [](CardRegisters& r) { r.manufacturerID = 0x00; },
       Brand::other,
       64 * GB,
       {{Severity::warning, S::ManufacturerUnassigned{0x00}}}},
      {"brand without IDs is never compared", [](CardRegisters&) {}, Brand::proGrade, 64 * GB,
       {{Severity::good, S::Manufacturer{0x03, "SanDisk", false}}}},
      {"no ID: no maker or brand signal",
       [](CardRegisters& r) { r.manufacturerID.reset(); },
       Brand::sandisk,
       64 * GB,
       {}},
      {"SDHC at exactly 32 GiB", [](CardRegisters& r) { r.cardType = "SDHC"; }, none, gib32,
       {{Severity::good, S::Manufacturer{0x03, "SanDisk", false}}}},
      {"SDHC one byte beyond 32 GiB",
       [](CardRegisters& r) { r.cardType = "SDHC"; },
       none,
       gib32 + 1,
       {{Severity::good, S::Manufacturer{0x03, "SanDisk", false}},
        {Severity::critical, S::CapacityBeyondCardType{"SDHC", gib32 + 1}}}},
      {"SDSC beyond 4 GiB",
       [](CardRegisters& r) { r.cardType = "SDSC"; r.manufacturerID.reset(); },
       none,
       8 * GB,
       {{Severity::critical, S::CapacityBeyondCardType{"SDSC", 8 * GB}}}},
      {"SDXC at exactly 32 GiB",
       [](CardRegisters& r) { r.manufacturerID.reset(); },
       none,
       gib32,
       {{Severity::warning, S::CardTypeTooBig{"SDXC", gib32}}}},
      {"card type compared in its exact letter case",
       [](CardRegisters& r) { r.cardType = "sdhc"; r.manufacturerID.reset(); },
       none,
       64 * GB,
       {}},
      {"unset date even on a small card",
       [](CardRegisters& r) { r.manufacturerID.reset(); r.cardType.reset(); r.manufacturingYear = 2001; },
       none,
       1 * GB,
       {{Severity::warning, S::DateNotSet{2001, 5}}}},
      {"date too early for a large card, month defaulted",
       [](CardRegisters& r) { r.manufacturerID.reset(); r.manufacturingYear = 2009; r.manufacturingMonth.reset(); },
       none,
       64 * GB,
       {{Severity::warning, S::DateTooEarly{2009, 1}}}},
      {"early date on a card below 32 GiB",
       [](CardRegisters& r) { r.manufacturerID.reset(); r.cardType.reset(); r.manufacturingYear = 2009; },
       none,
       32 * GB,
       {}},
      {"all-zero serial",
       [](CardRegisters& r) { r.manufacturerID.reset(); r.serialNumber = std::vector<std::uint8_t>(4, 0x00); },
       none,
       64 * GB,
       {{Severity::warning, S::SerialNotSet{}}}},
      {"all-ones serial",
       [](CardRegisters& r) { r.manufacturerID.reset(); r.serialNumber = std::vector<std::uint8_t>(4, 0xFF); },
       none,
       64 * GB,
       {{Severity::warning, S::SerialNotSet{}}}},
      {"mixed zero and ones serial",
       [](CardRegisters& r) { r.manufacturerID.reset(); r.serialNumber = std::vector<std::uint8_t>{0x00, 0xFF}; },
       none,
       64 * GB,
       {}},
      {"empty serial",
       [](CardRegisters& r) { r.manufacturerID.reset(); r.serialNumber = std::vector<std::uint8_t>{}; },
       none,
       64 * GB,
       {}},
      {"missing product name",
       [](CardRegisters& r) { r.manufacturerID.reset(); r.productName.reset(); },
       none,
       64 * GB,
       {{Severity::warning, S::ProductNameMissing{}}}},
      {"empty product name", [](CardRegisters& r) { r.manufacturerID.reset(); r.productName = ""; }, none, 64 * GB,
       {}},
  };
  for (const RegisterCase& c : cases) {
    CardRegisters registers = genuineRegisters();
    c.change(registers);
    EXPECT_EQ(XRay::analyzeRegisters(registers, c.size, c.brand, december2026), c.expected) << c.name;
  }
}

struct DateCase {
  std::int64_t year;
  std::optional<std::int64_t> month;
  std::vector<XRaySignal> expected;
};

TEST(XRayTest, DateIsInTheFutureOnlyMoreThanTwoMonthsAhead) {
  const auto max = std::numeric_limits<std::int64_t>::max();
  const auto min = std::numeric_limits<std::int64_t>::min();
  const DateCase cases[] = {
      {2027, 2, {}},
      {2027, 3, {{Severity::warning, S::DateInFuture{2027, 3}}}},
      {2026, 12, {}},
      {2028, std::nullopt, {{Severity::warning, S::DateInFuture{2028, 1}}}},
      {max, 12, {{Severity::warning, S::DateInFuture{max, 12}}}},
      {max, min, {{Severity::warning, S::DateInFuture{max, min}}}},
      {2026, max, {{Severity::warning, S::DateInFuture{2026, max}}}},
      {2026, min, {}},
      {min, 1, {{Severity::warning, S::DateNotSet{min, 1}}}},
  };
  for (const DateCase& c : cases) {
    CardRegisters registers;
    registers.productName = "SD";
    registers.manufacturingYear = c.year;
    registers.manufacturingMonth = c.month;
    EXPECT_EQ(XRay::analyzeRegisters(registers, 16 * GB, std::nullopt, december2026), c.expected)
        << c.year << "-" << c.month.value_or(0);
  }
}

struct DeviceCase {
  const char* name;
  CardDevice device;
  std::vector<XRaySignal> expected;
};

CardRegisters withType(CardRegisters registers, const char* type, std::optional<std::uint8_t> id) {
  registers.cardType = type;
  registers.manufacturerID = id;
  return registers;
}

TEST(XRayTest, DeviceRulesJudgeSizeFileSystemAndLeftovers) {
  const auto usb = CardDevice::Connection::usb();
  const auto builtIn = CardDevice::Connection::builtInReader();
  const auto image = CardDevice::Connection::diskImage();
  const std::uint64_t tb = 1000 * GB;
  CardDevice leftovers = device(64 * GB, std::nullopt, usb);
  leftovers.hasLeftoverTestFiles = true;
  const DeviceCase cases[] = {
      {"disk image hides nothing", device(16 * GB, std::nullopt, image), {}},
      {"USB reader hides registers", device(64 * GB, std::nullopt, usb), {{Severity::info, S::RegistersHidden{}}}},
      {"leftover test files",
       leftovers,
       {{Severity::info, S::RegistersHidden{}}, {Severity::info, S::LeftoverTestFiles{}}}},
      {"SDXC claiming 3 TB",
       builtInCard(3 * tb, withType(genuineRegisters(), "SDXC", std::nullopt)),
       {{Severity::critical, S::CapacityBeyondCardType{"SDXC", 3 * tb}},
        {Severity::critical, S::CapacityBeyondAnyCard{3 * tb}}}},
      {"built-in slot without registers beyond 2 TiB",
       device(tib2 + 1, std::nullopt, builtIn),
       {{Severity::info, S::RegistersHidden{}}, {Severity::critical, S::CapacityBeyondAnyCard{tib2 + 1}}}},
      {"SDUC from a known maker",
       builtInCard(4 * tb, withType(genuineRegisters(), "SDUC", 0x03)),
       {{Severity::good, S::Manufacturer{0x03, "SanDisk", false}}}},
      {"SDUC from a generic maker",
       builtInCard(4 * tb, withType(genuineRegisters(), "SDUC", 0x6F)),
       {{Severity::warning, S::Manufacturer{0x6F, "STMicroelectronics", true}},
        {Severity::warning, S::RareCapacity{4 * tb}}}},
      {"SDUC with an ID outside the table",
       builtInCard(4 * tb, withType(genuineRegisters(), "SDUC", 0x9F)),
       {{Severity::info, S::ManufacturerUnknown{0x9F}}, {Severity::warning, S::RareCapacity{4 * tb}}}},
      {"1.5 TB from a known maker", builtInCard(1500 * GB, withType(genuineRegisters(), "SDXC", 0x03)),
       {{Severity::good, S::Manufacturer{0x03, "SanDisk", false}}}},
      {"1.5 TB in the slot without registers",
       device(1500 * GB, std::nullopt, builtIn),
       {{Severity::info, S::RegistersHidden{}}, {Severity::warning, S::RareCapacity{1500 * GB}}}},
      {"exactly one terabyte is not rare",
       device(tb, std::nullopt, builtIn),
       {{Severity::info, S::RegistersHidden{}}}},
      {"USB stick of 4 TB", device(4 * tb, std::nullopt, usb), {{Severity::info, S::RegistersHidden{}}}},
      {"FAT at exactly 32 GiB", device(gib32, std::nullopt, image, "msdos"), {}},
      {"FAT above 32 GiB",
       device(gib32 + 1, std::nullopt, image, "msdos"),
       {{Severity::info, S::Fat32OnLargeCard{}}}},
      {"exFAT never counts as FAT", device(tb, std::nullopt, image, "exfat"), {}},
  };
  for (const DeviceCase& c : cases) {
    EXPECT_EQ(XRay::analyze(c.device, std::nullopt, december2026).signals, c.expected) << c.name;
  }
}

TEST(XRayTest, VerdictFollowsTheWorstSeverityAndHiddenRegisters) {
  const XRaySignal good{Severity::good, S::BrandMatches{Brand::sandisk}};
  const XRaySignal info{Severity::info, S::LeftoverTestFiles{}};
  const XRaySignal hidden{Severity::info, S::RegistersHidden{}};
  const XRaySignal warning{Severity::warning, S::SerialNotSet{}};
  const XRaySignal critical{Severity::critical, S::CapacityBeyondAnyCard{1}};
  const std::pair<std::vector<XRaySignal>, Verdict> cases[] = {
      {{}, Verdict::noRedFlags},
      {{good, info}, Verdict::noRedFlags},
      {{hidden, info}, Verdict::notAnalyzed},
      {{hidden, warning}, Verdict::suspicious},
      {{good, warning, info}, Verdict::suspicious},
      {{warning, hidden, critical}, Verdict::likelyFake},
      {{critical}, Verdict::likelyFake},
  };
  for (const auto& [signals, verdict] : cases) EXPECT_EQ(XRayReport{signals}.verdict(), verdict);
}

TEST(XRayTest, SortedSignalsPutWorstFirstAndKeepRaisedOrderWithinASeverity) {
  const XRaySignal a{Severity::info, S::RegistersHidden{}};
  const XRaySignal b{Severity::critical, S::CapacityBeyondAnyCard{1}};
  const XRaySignal c{Severity::good, S::BrandMatches{Brand::sony}};
  const XRaySignal d{Severity::warning, S::SerialNotSet{}};
  const XRaySignal e{Severity::critical, S::CapacityBeyondAnyCard{2}};
  const XRayReport report{{a, b, c, d, e}};
  EXPECT_EQ(report.sortedSignals(), (std::vector<XRaySignal>{b, e, d, a, c}));
  EXPECT_EQ(report.signals, (std::vector<XRaySignal>{a, b, c, d, e}));
}

TEST(XRayTest, LocalDateUsesTheSystemTimeZoneNotUTC) {
  ASSERT_EQ(::setenv("TZ", "UTC-14", 1), 0);
  ::tzset();
  const auto noonUTC = std::chrono::sys_days{2026y / 12 / 31} + 12h;
  EXPECT_EQ(XRay::localDate(noonUTC), std::chrono::year_month_day{2027y / 1 / 1});
  ::unsetenv("TZ");
  ::tzset();
}

}  // namespace
}  // namespace tessorin
