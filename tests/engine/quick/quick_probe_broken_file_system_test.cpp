// A fake's wrap can break its file system while the quick check still makes and opens
// its files: data written past its real size lands on the card's own structures, and
// once the host no longer holds its copies of them the file system finds them broken.
// That is evidence, never an error of the check: it ends with the verdict what it found
// supports, fake where probes came back misplaced or the card's first sectors hold the
// check's data, damaged otherwise, and says that the card stopped taking data.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "SmallCardQuickOptions.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/quick/QuickProbe.hpp"

namespace tessorin {
namespace {

using testing::CounterfeitCard;
using testing::FileSystemKind;
using Mode = CounterfeitCard::Mode;
using Phase = QuickProbe::Progress::Phase;
using Step = QuickProbe::Progress::Step;
using Verdict = QuickProbeResult::Verdict;
using namespace testing::literals;

// The check as it runs on a card of this size, on a file system that reserves space
// without writing it.
QuickProbe::Options cardSizedOptions() {
  QuickProbe::Options options;
  options.fileSystem = "ext4";
  // Every eighth slot is probed in the coarse stage: enough of the test area is written
  // that in most runs the wrap reaches the folder's own directory before the flush
  // looks its files up again.
  options.maximumProbes = 1024;
  // The host is slow here when other tests run beside this one; the refusal of slow
  // reservations has a test of its own.
  options.slowAllocationSeconds = 30;
  return options;
}

std::string describe(const QuickProbeResult& result) {
  return "verdict " + std::to_string(static_cast<int>(result.verdict())) + ", stopped after " +
         (result.writesRefusedAfter ? std::to_string(*result.writesRefusedAfter) : std::string("nothing")) +
         ", tested " + std::to_string(result.testedCount()) + ", wrapped sectors at the start " +
         std::to_string(result.deviceStart.sectorsInBootArea) + ", wrap " +
         (result.wrapDistance ? std::to_string(*result.wrapDistance) : std::string("none"));
}

TEST(QuickProbeOnBrokenFileSystem, WrapFakeOf64GiBKeeping8GiBOnExt4AtCardSpeedGetsAVerdictNotAnError) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 64_GiB, .real = 8_GiB, .mode = Mode::wrap,
                                     .fileSystem = FileSystemKind::ext4, .writeBytesPerSecond = 90'000'000});
  // After each stage's probes the host lets go of what it held of the card, as it does
  // when memory runs short: the flush that follows looks up the check's files again.
  const auto forget = [&](const QuickProbe::Progress& progress) {
    if ((progress.phase == Phase::coarse || progress.phase == Phase::fine) && progress.step == Step::writing &&
        progress.completed == progress.total) {
      card->dropHostCaches();
    }
  };
  QuickProbeResult result;
  try {
    result = QuickProbe(card->mountPoint(), cardSizedOptions()).run(forget).result();
  } catch (const std::exception& error) {
    FAIL() << "the check ended in an error: " << error.what();
  }
  EXPECT_TRUE(result.verdict() == Verdict::fake || result.verdict() == Verdict::damaged) << describe(result);
  if (result.writesRefusedAfter) {
    // The advanced test's note for a card whose writing broke off.
    EXPECT_NE(result.writeRefusal(), WriteRefusal::none);
    EXPECT_TRUE(result.deviceStart.deviceRead) << "the card's first sectors were not looked at";
  }
}

// exfat-fuse writes zeros into the space the check reserves; with the check's guard
// against such drivers turned off, on a fake whose real size is no whole fraction of
// its claim, those zeros wrap over the card's own structures before a probe is written.
// The host still holds its copies of them until it lets go, and from then on the file
// system fails the check's writes.
struct ZeroFilledWrap {
  const char* name;
  std::uint64_t real;
  // When the host lets go of its copies: right after the reservation, or only after
  // each stage's probes.
  bool forgetAfterReserving;
};

void PrintTo(const ZeroFilledWrap& wrap, std::ostream* out) { *out << wrap.name; }

class QuickProbeOnZeroFilledWrap : public ::testing::TestWithParam<ZeroFilledWrap> {};

TEST_P(QuickProbeOnZeroFilledWrap, GetsTheVerdictItsProbesSupport) {
  TESSORIN_REQUIRE_VOLUMES();
  const ZeroFilledWrap& wrap = GetParam();
  auto card = CounterfeitCard::make({.claimed = 512_MiB, .real = wrap.real, .mode = Mode::wrap});
  QuickProbe::Options options = testing::smallCardQuickOptions();
  bool reserved = false;
  const auto forget = [&](const QuickProbe::Progress& progress) {
    if (wrap.forgetAfterReserving && progress.phase != Phase::preparing && !reserved) {
      reserved = true;
      card->dropHostCaches();
    }
    if ((progress.phase == Phase::coarse || progress.phase == Phase::fine) && progress.step == Step::writing &&
        progress.completed == progress.total) {
      card->dropHostCaches();
    }
  };
  QuickProbeResult result;
  try {
    result = QuickProbe(card->mountPoint(), options).run(forget).result();
  } catch (const std::exception& error) {
    FAIL() << "the check ended in an error: " << error.what();
  }
  if (!wrap.forgetAfterReserving) {
    // The probes were written before the file system failed: they show the wrap.
    EXPECT_EQ(result.verdict(), Verdict::fake) << describe(result);
    EXPECT_EQ(result.wrapDistance, wrap.real) << describe(result);
    return;
  }
  // Mostly every write after the first fails: then nothing the check wrote past the real
  // size comes back, and nothing of it reaches the card's first sectors. No fake can be
  // shown, but the card is not passed, and the user learns that it stopped taking data.
  EXPECT_NE(result.verdict(), Verdict::passed) << describe(result);
  if (result.writesRefusedAfter) {
    EXPECT_NE(result.writeRefusal(), WriteRefusal::none) << describe(result);
  }
}

INSTANTIATE_TEST_SUITE_P(Cards, QuickProbeOnZeroFilledWrap,
                         ::testing::Values(ZeroFilledWrap{"wrap150MiB", 150_MiB, false},
                                           ZeroFilledWrap{"wrap290MiB", 290_MiB, false},
                                           ZeroFilledWrap{"wrap410MiB", 410_MiB, false},
                                           ZeroFilledWrap{"wrap150MiBForgottenAfterReserving", 150_MiB, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessorin
