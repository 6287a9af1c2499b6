#include "tessorin/identity/CardCharacteristics.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tessorin {
namespace {

// CSDs as cards report them: C_SIZE sits in hex digits 14 to 19.
std::string csdWithSize(const std::string& cSizeDigits) {
  std::string csd = "400e00325b590000edc87f800a404000";
  return csd.replace(14, 6, cSizeDigits);
}

TEST(CardCharacteristicsTest, CardTypeFollowsCsdVersionAndTheThirtyTwoGibibyteLine) {
  const struct {
    std::string csd;
    std::optional<std::string> type;
  } cases[] = {
      {"002e00325b5a83a9ffffff800a800000", "SDSC"},
      {"400e00325b590000edc87f800a404000", "SDHC"},   // 32 GB card
      {csdWithSize("00ffff"), "SDHC"},                 // exactly 32 GiB
      {csdWithSize("010000"), "SDXC"},                 // one C_SIZE unit more
      {"400e00325b590001dbd37f800a404000", "SDXC"},   // 64 GB card
      {"800e00325b590001dbd37f800a404000", "SDUC"},
      {"c00e00325b590001dbd37f800a404000", std::nullopt},  // reserved structure
      {"400e0032", std::nullopt},
      {"400e00325b590000edc87f800a40400g", std::nullopt},
  };
  for (const auto& row : cases) EXPECT_EQ(CardCharacteristics::cardType(row.csd), row.type) << row.csd;
}

TEST(CardCharacteristicsTest, SpecificationVersionReadsSpecSpec3Spec4AndSpecXTogether) {
  const struct {
    std::string scr;
    std::optional<std::string> version;
  } cases[] = {
      {"0035000000000000", "1.0"},  {"0135000000000000", "1.10"}, {"0205000000000000", "2.00"},
      {"0235800300000000", "3.0x"}, {"0235840000000000", "4.xx"}, {"0235804000000000", "5.xx"},
      {"0235814000000000", "9.xx"}, {"0235818000000000", std::nullopt},  // SD_SPECX beyond 9.xx
      {"0335000000000000", std::nullopt},                                 // SD_SPEC 3 is reserved
      {"02358003", std::nullopt},
  };
  for (const auto& row : cases) EXPECT_EQ(CardCharacteristics::specificationVersion(row.scr), row.version) << row.scr;
}

TEST(CardCharacteristicsTest, SpeedClassComesFromItsSsrByteAndAnUnreadSsrGivesNone) {
  const std::string ssr = "8000000008000000" "04009000" + std::string(104, '0');
  EXPECT_EQ(CardCharacteristics::speedClass(ssr), 4);
  EXPECT_EQ(CardCharacteristics::speedClass(std::string(128, '0')), std::nullopt);
  EXPECT_EQ(CardCharacteristics::speedClass("80000000"), std::nullopt);
}

TEST(CardCharacteristicsTest, SysfsDateTurnsIntoYearFirstAndAnUnsetMonthSurvives) {
  EXPECT_EQ(CardCharacteristics::manufacturingDate("07/2019"), "2019-07");
  EXPECT_EQ(CardCharacteristics::manufacturingDate("00/2000"), "2000-00");
  EXPECT_EQ(CardCharacteristics::manufacturingDate("2019-07"), std::nullopt);
}

}  // namespace
}  // namespace tessorin
