#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "tessorin/identity/Brand.hpp"
#include "tessorin/identity/Manufacturers.hpp"

namespace tessorin {
namespace {

TEST(ManufacturersTest, EveryRowIsFoundByItsOwnID) {
  for (const Manufacturers::Entry& row : Manufacturers::table()) {
    EXPECT_EQ(Manufacturers::entry(row.id), row) << int(row.id);
  }
}

TEST(ManufacturersTest, SameMakerNameUnderTwoIDsKeepsEachRowsOwnFacts) {
  EXPECT_EQ(Manufacturers::entry(0x6F), (Manufacturers::Entry{0x6F, "STMicroelectronics", {}, true}));
  EXPECT_EQ(Manufacturers::entry(0x33), (Manufacturers::Entry{0x33, "STMicroelectronics", {}, false}));
  EXPECT_EQ(Manufacturers::entry(0x74)->oemIDs, (std::vector<std::string>{"JE", "J`"}));
}

TEST(ManufacturersTest, IDsWithoutARowFindNothingEvenWhenABrandListsThem) {
  for (const std::uint8_t id : {0x00, 0xFF, 0x9F, 0xAD}) EXPECT_EQ(Manufacturers::entry(id), std::nullopt) << int(id);
}

TEST(BrandTest, EveryCaseSurvivesItsStoredRawValue) {
  std::set<std::string_view> rawValues;
  for (const Brand brand : Brand::allCases()) {
    EXPECT_EQ(Brand::fromRawValue(brand.rawValue()), brand) << brand.rawValue();
    EXPECT_EQ(brand.id(), brand.rawValue());
    rawValues.insert(brand.rawValue());
  }
  EXPECT_EQ(rawValues.size(), Brand::caseCount);
  EXPECT_EQ(Brand::allCases().front(), Brand::sandisk);
  EXPECT_EQ(Brand::allCases().back(), Brand::other);
}

TEST(BrandTest, RawValueIsExactCaseNameNotDisplayNameOrOtherLetterCase) {
  EXPECT_EQ(Brand::fromRawValue("siliconPower"), Brand::siliconPower);
  for (const char* text : {"SiliconPower", "Silicon Power", "siliconpower", "", "sandisk "}) {
    EXPECT_EQ(Brand::fromRawValue(text), std::nullopt) << text;
  }
}

TEST(BrandTest, CatchAllShowsDashAsNameAndOtherBrandAsLabel) {
  EXPECT_EQ(Brand(Brand::other).displayName(), "\u2014");
  EXPECT_EQ(Brand(Brand::other).label(), "Other brand");
  EXPECT_EQ(Brand(Brand::kioxia).label(), "Kioxia / Toshiba");
  EXPECT_EQ(Manufacturers::entry(0x02)->name, "Toshiba / Kioxia");
}

}  // namespace
}  // namespace tessorin
