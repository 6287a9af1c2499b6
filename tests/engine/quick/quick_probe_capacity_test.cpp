// The quick check on fakes: fake, with a capacity within 2 % of the real size or none.
// ext4 places the test folder's files in a block group of its choosing and wraps them
// round the end of the volume, so positions in the test area are no places on the card
// there: the probes are judged in the order the extent map shows, and no capacity is
// given; exFAT lays them out in order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "SmallCardQuickOptions.hpp"
#include "tessorin/quick/QuickProbe.hpp"

namespace tessorin {
namespace {

using testing::CounterfeitCard;
using testing::FileSystemKind;
using Mode = CounterfeitCard::Mode;
using Verdict = QuickProbeResult::Verdict;
using namespace testing::literals;

struct Fake {
  Mode mode;
  std::uint64_t claimed;
  std::uint64_t real;
  std::uint64_t cache;
  FileSystemKind fileSystem;
};

class QuickProbeCapacity : public ::testing::TestWithParam<Fake> {};

TEST_P(QuickProbeCapacity, IsFakeWithACapacityWithinTwoPercentOrNone) {
  TESSORIN_REQUIRE_VOLUMES();
  const Fake& fake = GetParam();
  // The check is meant for drivers that reserve space without writing it (ext4 does);
  // the zeros exfat-fuse writes instead would wrap over the card's own structures before
  // a probe was written.
  auto card = CounterfeitCard::make({.claimed = fake.claimed, .real = fake.real, .mode = fake.mode,
                                     .fileSystem = fake.fileSystem, .controllerCacheBytes = fake.cache,
                                     .unwrittenReservations = fake.fileSystem == FileSystemKind::exfat});
  QuickProbe::Options options = testing::smallCardQuickOptions();
  if (fake.fileSystem == FileSystemKind::ext4) options.fileSystem = "ext4";
  // The filler outgrows the controller's cache, as the check's own does on a real card.
  options.overwhelmBytes = std::max<std::int64_t>(options.overwhelmBytes, static_cast<std::int64_t>(2 * fake.cache));

  const QuickProbeResult result = QuickProbe(card->mountPoint(), options).run().result();

  EXPECT_EQ(result.verdict(), Verdict::fake);
  const auto range = result.realCapacityRange();
  // exFAT's test area lies in order, so a wrap gives its exact size there.
  if (fake.fileSystem == FileSystemKind::exfat && fake.mode == Mode::wrap) {
    EXPECT_TRUE(range);
  }
  if (range) {
    const double tolerance = 0.02 * static_cast<double>(fake.real);
    EXPECT_LE(std::abs(static_cast<double>(range->lower) - static_cast<double>(fake.real)), tolerance) << range->lower;
    EXPECT_LE(std::abs(static_cast<double>(range->upper) - static_cast<double>(fake.real)), tolerance) << range->upper;
  }
}

INSTANTIATE_TEST_SUITE_P(Cards, QuickProbeCapacity,
                         ::testing::Values(Fake{Mode::wrap, 4_GiB, 1_GiB, 0, FileSystemKind::exfat},
                                           Fake{Mode::wrap, 4_GiB, 1_GiB, 0, FileSystemKind::ext4},
                                           Fake{Mode::wrap, 3_GiB, 700_MiB, 0, FileSystemKind::ext4},
                                           Fake{Mode::wrap, 3_GiB, 700_MiB, 16_MiB, FileSystemKind::ext4},
                                           Fake{Mode::dropZero, 3_GiB, 700_MiB, 64_MiB, FileSystemKind::ext4},
                                           Fake{Mode::dropFF, 4_GiB, 2_GiB, 128_MiB, FileSystemKind::ext4}),
                         [](const auto& info) {
                           const Fake& fake = info.param;
                           return std::string(fake.fileSystem == FileSystemKind::exfat ? "exfat" : "ext4") +
                                  (fake.mode == Mode::wrap ? "Wrap" : "Drop") + std::to_string(fake.real >> 20) +
                                  "MiBOf" + std::to_string(fake.claimed >> 20) +
                                  (fake.cache ? "Cache" + std::to_string(fake.cache >> 20) : "");
                         });

}  // namespace
}  // namespace tessorin
