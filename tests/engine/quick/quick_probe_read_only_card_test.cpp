// The quick check on worn cards that turn read-only, in every stage: before the check,
// during the first cache flush, and during the speed stage's random writes; on exFAT
// through exfat-fuse (where a refusal surfaces when data is forced to the card) and on
// ext4 (which turns itself read-only once its journal cannot be written). Each ends in a
// verdict that is not a pass, never in an error, and says the card refused writes.

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "SmallCardQuickOptions.hpp"
#include "tessorin/quick/QuickProbe.hpp"

namespace tessorin {
namespace {

using testing::CounterfeitCard;
using testing::FileSystemKind;
using Phase = QuickProbe::Progress::Phase;
using Step = QuickProbe::Progress::Step;
using Verdict = QuickProbeResult::Verdict;
using namespace testing::literals;

enum class Moment { beforeTheCheck, firstFlush, randomWrites };

struct WornCard {
  FileSystemKind fileSystem;
  Moment moment;
  int error;
};

QuickProbe::Options smallCardOptions(FileSystemKind fileSystem) {
  QuickProbe::Options options = testing::smallCardQuickOptions();
  // Long enough for the card to be told to turn read-only while it lasts.
  options.zone.randomSeconds = 0.5;
  if (fileSystem == FileSystemKind::ext4) options.fileSystem = "ext4";
  return options;
}

bool isTheMoment(Moment moment, const QuickProbe::Progress& progress) {
  switch (moment) {
    case Moment::beforeTheCheck: return false;
    // The last coarse probe is written: the filler comes next.
    case Moment::firstFlush:
      return progress.phase == Phase::coarse && progress.step == Step::writing && progress.completed == progress.total;
    case Moment::randomWrites: return progress.phase == Phase::zone && progress.randomWrites;
  }
  return false;
}

std::string nameOf(const WornCard& worn) {
  const char* moment = worn.moment == Moment::beforeTheCheck ? "BeforeTheCheck"
                       : worn.moment == Moment::firstFlush   ? "DuringTheFirstFlush"
                                                             : "DuringRandomWrites";
  return std::string(worn.fileSystem == FileSystemKind::exfat ? "exfat" : "ext4") + moment +
         (worn.error == EIO ? "EIO" : "EROFS");
}

class QuickProbeOnCardTurningReadOnly : public ::testing::TestWithParam<WornCard> {};

TEST_P(QuickProbeOnCardTurningReadOnly, EndsWithAVerdictThatIsNoPassAndSaysTheCardRefusedWrites) {
  TESSORIN_REQUIRE_VOLUMES();
  const WornCard& worn = GetParam();
  CounterfeitCard::Options made{.claimed = 512_MiB, .fileSystem = worn.fileSystem, .readOnlyError = worn.error};
  if (worn.moment == Moment::beforeTheCheck) made.readOnlyAfterBytesWritten = 0;
  auto card = CounterfeitCard::make(made);
  std::atomic<bool> turned{false};
  auto wearOut = [&](const QuickProbe::Progress& progress) {
    if (isTheMoment(worn.moment, progress) && !turned.exchange(true)) card->turnReadOnlyAfter(worn.moment == Moment::firstFlush ? 4_MiB : 0);
  };

  QuickProbeResult result;
  ASSERT_NO_THROW(result = QuickProbe(card->mountPoint(), smallCardOptions(worn.fileSystem)).run(wearOut).result());

  EXPECT_TRUE(worn.moment == Moment::beforeTheCheck || turned);
  EXPECT_NE(result.verdict(), Verdict::passed);
  EXPECT_NE(result.verdict(), Verdict::fake);
  EXPECT_NE(result.writeRefusal(), WriteRefusal::none);
  EXPECT_FALSE(result.realCapacityRange());
}

INSTANTIATE_TEST_SUITE_P(
    Cards, QuickProbeOnCardTurningReadOnly,
    ::testing::Values(WornCard{FileSystemKind::exfat, Moment::beforeTheCheck, EIO},
                      WornCard{FileSystemKind::ext4, Moment::beforeTheCheck, EROFS},
                      WornCard{FileSystemKind::exfat, Moment::firstFlush, EROFS},
                      WornCard{FileSystemKind::ext4, Moment::firstFlush, EIO},
                      WornCard{FileSystemKind::exfat, Moment::randomWrites, EIO},
                      WornCard{FileSystemKind::ext4, Moment::randomWrites, EROFS}),
    [](const auto& info) { return nameOf(info.param); });

}  // namespace
}  // namespace tessorin
