// The quick check run by an ordinary user on a card mounted through FUSE: the probes are
// read back through the host's cache of the card's device, which such a user cannot
// drop, and a fake card's lost probes are still there in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "OrdinaryUser.hpp"
#include "SmallCardQuickOptions.hpp"
#include "tessorin/quick/QuickProbe.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;
using testing::CounterfeitCard;
using testing::OrdinaryUser;
using Mode = CounterfeitCard::Mode;
using Verdict = QuickProbeResult::Verdict;

std::string verdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::passed: return "passed";
    case Verdict::fake: return "fake";
    case Verdict::damaged: return "damaged";
    case Verdict::inconclusive: return "inconclusive";
  }
  return "?";
}

// Verdict, whether a capacity range was given, where the probes came back from, and the
// verdict the same probes give when they are taken to have come from the card.
std::string summary(const QuickProbeResult& result) {
  QuickProbeResult trusted = result;
  trusted.readBackReachedCard = true;
  return verdictName(result.verdict()) + (result.realCapacityRange() ? " range" : " -") +
         (result.readBackReachedCard ? " card " : " memory ") + verdictName(trusted.verdict());
}

struct QuickUserCase {
  const char* name;
  CounterfeitCard::Options card;
  // A fake's lost probes may still be seen where the host let go of some pages on its
  // own, beside intact ones it kept: no verdict at all from them.
  std::vector<std::string> verdicts;
};

void PrintTo(const QuickUserCase& c, std::ostream* out) { *out << c.name; }

class QuickProbeByOrdinaryUser : public ::testing::TestWithParam<QuickUserCase> {};

TEST_P(QuickProbeByOrdinaryUser, GivesNoVerdictOnProbesTheHostMayHaveKept) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make(GetParam().card);
  ASSERT_TRUE(card->volume().mountFor(OrdinaryUser::uid, OrdinaryUser::gid));
  const std::string volume = card->mountPoint();

  OrdinaryUser user([&](OrdinaryUser::Line&) { return summary(QuickProbe(volume, testing::smallCardQuickOptions()).run().result()); },
                    OrdinaryUser::DeviceRecord{card->loopDevice(), "exfat"});
  const std::string found = user.result();
  RecordProperty("found", found);
  std::istringstream words(found);
  std::string verdict, range, source;
  words >> verdict >> range >> source;
  const auto& verdicts = GetParam().verdicts;
  EXPECT_NE(std::find(verdicts.begin(), verdicts.end(), verdict), verdicts.end()) << found;
  EXPECT_EQ(range, "-") << "a capacity told by probes the host may have kept: " << found;
  EXPECT_EQ(source, "memory") << found;
}

INSTANTIATE_TEST_SUITE_P(
    ExFATThroughFuse, QuickProbeByOrdinaryUser,
    ::testing::Values(QuickUserCase{"GenuineCard", {.claimed = 512_MiB}, {"inconclusive"}},
                      QuickUserCase{"DropFake",
                                    {.claimed = 512_MiB, .real = 290_MiB, .mode = Mode::dropZero},
                                    {"inconclusive"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessorin
