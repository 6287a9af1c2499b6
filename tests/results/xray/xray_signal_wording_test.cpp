#include "results/xray/XRaySignalWording.hpp"

#include <gtest/gtest.h>

namespace tessorin {
namespace {

using S = XRaySignal;
using Severity = S::Severity;

struct WordingCase {
  XRaySignal signal;
  QString title;
  QString explanation;
};

TEST(XRaySignalWordingTest, EveryKindHasItsTitleAndExplanation) {
  const WordingCase cases[] = {
      {{Severity::good, S::Manufacturer{0x03, "SanDisk", false}}, "Made by SanDisk",
       "Manufacturer ID 0x03, as reported by the card."},
      {{Severity::warning, S::Manufacturer{0x6F, "STMicroelectronics", true}},
       "Generic manufacturer (STMicroelectronics)",
       "Manufacturer ID 0x6F shows up mostly on unbranded and counterfeit cards."},
      {{Severity::info, S::ManufacturerUnknown{0x5A}}, "Unknown manufacturer (0x5A)",
       "This ID isn’t on Tessorin’s list. That alone doesn’t make the card fake."},
      {{Severity::warning, S::ManufacturerUnassigned{0xFF}}, "No manufacturer recorded",
       "The card reports manufacturer ID 0xFF, a value no real maker has. Genuine cards always carry one."},
      {{Severity::warning, S::OemMismatch{0x74, {"PA", "SD"}, "XY"}}, "Unusual OEM code “XY”",
       "Cards from this maker normally report “PA”, “SD”."},
      {{Severity::good, S::BrandMatches{Brand::kioxia}}, "Matches genuine Kioxia / Toshiba cards",
       "The manufacturer ID is the one genuine Kioxia / Toshiba cards report."},
      {{Severity::critical, S::BrandMismatch{Brand::sandisk, 0x1B, "Samsung"}}, "Not made by SanDisk",
       "SanDisk makes its own cards, which report manufacturer ID 0x03, 0x30. This one reports 0x1B (Samsung) — "
       "the classic sign of a counterfeit."},
      {{Severity::warning, S::BrandMismatch{Brand::sandisk, 0x1B, "Samsung"}}, "Unexpected manufacturer for SanDisk",
       "Genuine SanDisk cards usually report 0x03, 0x30. This one reports 0x1B (Samsung). Some brands buy from "
       "several factories, so this alone is not proof."},
      {{Severity::warning, S::BrandMismatch{Brand::sandisk, 0x9F, std::nullopt}}, "Unexpected manufacturer for SanDisk",
       "Genuine SanDisk cards usually report 0x03, 0x30. This one reports 0x9F. Some brands buy from several "
       "factories, so this alone is not proof."},
      {{Severity::critical, S::CapacityBeyondCardType{"SDHC", 34359738369}}, "Impossible capacity for SDHC",
       "The card says it is SDHC, a standard that can’t hold 34.4\u00A0GB."},
      {{Severity::warning, S::CardTypeTooBig{"SDXC", 31914983424}}, "Too small to be SDXC",
       "SDXC is for cards over 32\u00A0GB, but this one claims only 31.9\u00A0GB."},
      {{Severity::critical, S::CapacityBeyondAnyCard{3'000'000'000'000}}, "No such card exists",
       "3\u00A0TB is more than the SD standard allows. Cards like this are always counterfeit."},
      {{Severity::warning, S::RareCapacity{1'500'000'000'000}}, "Rare capacity",
       "1.5\u00A0TB cards are rare and expensive, and a favorite of counterfeiters."},
      {{Severity::warning, S::DateNotSet{2000, 1}}, "Manufacturing date not set",
       "The card reports January 2000, the register’s blank value. Genuine factories record the real date."},
      {{Severity::warning, S::DateInFuture{2031, 3}}, "Manufacturing date in the future",
       "The card claims it was made in March 2031."},
      {{Severity::warning, S::DateTooEarly{2009, 1}}, "Manufacturing date too early",
       "The card claims January 2009, before cards this large existed."},
      {{Severity::info, S::RegistersHidden{}}, "Chip details hidden by the reader",
       "USB readers don’t pass on the card’s identity registers. Use this computer’s own SD slot to see who made "
       "the chip."},
      {{Severity::warning, S::SerialNotSet{}}, "No serial number",
       "The serial number is blank. Every genuine card has its own."},
      {{Severity::warning, S::ProductNameMissing{}}, "No product name",
       "Genuine cards record a product name, such as “SN128”."},
      {{Severity::info, S::Fat32OnLargeCard{}}, "Reformatted card",
       "Cards over 32\u00A0GB leave the factory formatted as exFAT; this one uses FAT32. The quick check needs exFAT, so "
       "only the advanced test can run."},
      {{Severity::info, S::LeftoverTestFiles{}}, "Leftover test files",
       "An earlier test was interrupted and left its files on the card."},
  };
  for (const WordingCase& c : cases) {
    EXPECT_EQ(XRaySignalWording::title(c.signal, false), c.title);
    EXPECT_EQ(XRaySignalWording::explanation(c.signal, false), c.explanation) << c.title.toStdString();
  }
}

TEST(XRaySignalWordingTest, CardTextsHoldingPlaceholdersAreShownAsTheyStand) {
  const XRaySignal oem{Severity::warning, S::OemMismatch{0x03, {"SD"}, "%1"}};
  EXPECT_EQ(XRaySignalWording::title(oem, false), "Unusual OEM code “%1”");
  const XRaySignal type{Severity::critical, S::CapacityBeyondCardType{"%2%1", 5'000'000'000}};
  EXPECT_EQ(XRaySignalWording::explanation(type, false), "The card says it is %2%1, a standard that can’t hold 5\u00A0GB.");
}

TEST(XRaySignalWordingTest, IDsKeepTheirLeadingZeroAndALowerCaseX) {
  EXPECT_EQ(XRaySignalWording::hex(0x03), "0x03");
  EXPECT_EQ(XRaySignalWording::hex(0x0A), "0x0A");
  EXPECT_EQ(XRaySignalWording::hex(0x1B), "0x1B");
  EXPECT_EQ(XRaySignalWording::hex(0xFF), "0xFF");
}

}  // namespace
}  // namespace tessorin
