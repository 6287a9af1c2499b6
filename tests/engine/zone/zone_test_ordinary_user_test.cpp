// The speed zone measured by an ordinary user on a card mounted through FUSE: the zone is
// read back through the host's cache of the card's device, which such a user cannot drop,
// so its read figures may be memory's. Root, on the same kind of mount, drops that cache.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "OrdinaryUser.hpp"
#include "SmallZoneOptions.hpp"
#include "tessorin/zone/ZoneTest.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;
using testing::CounterfeitCard;
using testing::OrdinaryUser;

// Where the read-back came from, whether random reads and writes were rated, and whether
// the zone read back whole.
std::string summary(const ZoneResult& result) {
  std::ostringstream line;
  line << (result.readBackReachedCard ? "card" : "memory") << ' ' << (result.randomReadIOPS ? "reads" : "no-reads")
       << ' ' << (result.randomWriteIOPS ? "writes" : "no-writes") << ' '
       << (result.isClean() && result.checkedBytes == result.bytes ? "whole" : "broken");
  return line.str();
}

TEST(ZoneTestOnFuse, AnOrdinaryUsersReadBackIsMarkedAsPossiblyFromMemoryAndRatesNoRandomReads) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 256_MiB});
  ASSERT_TRUE(card->volume().mountFor(OrdinaryUser::uid, OrdinaryUser::gid));
  const std::string volume = card->mountPoint();

  const auto measure = [&] { return summary(ZoneTest(volume, testing::smallZoneOptions()).run().result()); };
  OrdinaryUser user([&](OrdinaryUser::Line&) { return measure(); });
  EXPECT_EQ(user.result(), "memory no-reads writes whole");

  EXPECT_EQ(measure(), "card reads writes whole")
      << "root drops the device's cache and reads the card itself";
}

}  // namespace
}  // namespace tessorin
