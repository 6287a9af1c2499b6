#include "tessorin/quick/ProbeLayout.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "ByteLiterals.hpp"
#include "tessorin/quick/QuickProbe.hpp"
#include "tessorin/quick/QuickProbeOptions.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;

TEST(ProbeLayoutPlan, FreeSpaceIsSplitIntoZoneAndSlotsAsTheWorkedFiguresSay) {
  struct Case {
    std::uint64_t freeBytes;
    ProbeLayout expected;
  };
  const Case cases[] = {
      {31'000'000'000, {1_GiB, 64_MiB, 445, 64, 8}},
      {4'000'000'000, {448_MiB, 64_MiB, 52, 8, 1}},
      {250'000'000'000, {1_GiB, 256_MiB, 927, 128, 16}},
      // The smallest free space that still gives a zone segment and eight slots.
      {576_MiB, {64_MiB, 64_MiB, 8, 8, 1}},
  };
  for (const auto& c : cases) {
    const auto layout = ProbeLayout::plan(c.freeBytes, QuickProbeOptions{});
    ASSERT_TRUE(layout) << c.freeBytes;
    EXPECT_EQ(*layout, c.expected) << c.freeBytes;
    // The test area never reaches past the free space.
    EXPECT_LE(layout->totalBytes(), c.freeBytes);
  }
}

TEST(ProbeLayoutPlan, SpaceTooSmallForEightSlotsOrOneZoneSegmentHasNoPlan) {
  for (const std::uint64_t freeBytes : {575_MiB, 500_MiB, 64_MiB, std::uint64_t{0}}) {
    EXPECT_FALSE(ProbeLayout::plan(freeBytes, QuickProbeOptions{})) << freeBytes;
  }
}

TEST(ProbeLayoutPlan, ZoneIsWholeSegmentsEvenWhenTheMaximumIsNot) {
  QuickProbeOptions options;
  options.zone.maximumBytes = 100_MiB;
  const auto layout = ProbeLayout::plan(31'000'000'000, options);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->zoneBytes, 64_MiB);
}

TEST(QuickProbeOptions, OptionsThatWouldDivideByZeroUnderflowOrMisalignAreRefused) {
  const std::function<void(QuickProbeOptions&)> breakers[] = {
      [](auto& o) { o.maximumSlots = 0; },
      [](auto& o) { o.maximumProbes = 0; },
      [](auto& o) { o.coarseStride = 0; },
      [](auto& o) { o.minimumSpacing = 96_MiB; },
      [](auto& o) { o.minimumSpacing = 0; },
      // Fewer than one 4 KiB piece per probe leaves nothing to read back.
      [](auto& o) { o.probeSize = 2048; },
      [](auto& o) { o.probeSize = 64_KiB + 512; },
      // A probe that fills its slot leaves no room for the filler.
      [](auto& o) { o.probeSize = o.minimumSpacing; },
      [](auto& o) { o.overwhelmBytes = -1; },
      [](auto& o) { o.zone.segmentBytes = 0; },
  };
  for (std::size_t i = 0; i < std::size(breakers); ++i) {
    QuickProbeOptions options;
    breakers[i](options);
    EXPECT_THROW(options.validate(), std::invalid_argument) << "case " << i;
    EXPECT_THROW(QuickProbe("/mnt/card", options), std::invalid_argument) << "case " << i;
    EXPECT_THROW(ProbeLayout::plan(31'000'000'000, options), std::invalid_argument) << "case " << i;
  }
  EXPECT_NO_THROW(QuickProbeOptions{}.validate());
}

}  // namespace
}  // namespace tessorin
