// The advanced test on worn cards that turn read-only: the card keeps what it has and
// refuses every write, before the test or partway through its writing, with EROFS or
// EIO, on ext4 (where a direct write meets the refusal) and on exFAT through exfat-fuse
// (where it only surfaces when the data is forced to the card), and on ext4 with a card
// whose volatile cache took the last writes before the refused one and never stored
// them. A verdict, never an error: damaged, stopped accepting data after what it kept,
// and told apart from a card that loses data.
#include <gtest/gtest.h>

#include <string>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "tessorin/full/FullTest.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;
using testing::CounterfeitCard;
using testing::FileSystemKind;
using Verdict = FullTestResult::Verdict;
using Refusal = WriteRefusal;

struct WornCard {
  FileSystemKind fileSystem;
  std::uint64_t readOnlyAfter;
  int error;
  std::uint64_t writeBackCache = 0;
};

class FullTestOnCardTurningReadOnly : public ::testing::TestWithParam<WornCard> {};

TEST_P(FullTestOnCardTurningReadOnly, IsDamagedAndStoppedAcceptingDataAfterWhatItTook) {
  TESSORIN_REQUIRE_VOLUMES();
  const WornCard& worn = GetParam();
  auto card = CounterfeitCard::make({.claimed = 1_GiB, .fileSystem = worn.fileSystem,
                                     .readOnlyAfterBytesWritten = worn.readOnlyAfter, .readOnlyError = worn.error,
                                     .writeBackCacheBytes = worn.writeBackCache});
  FullTest::Options options;
  options.fileSize = 256_MiB;
  // As on any card of some size, several chunks go between two syncs.
  options.chunkSize = 1_MiB;

  // Taken out and put back between writing and reading, as the user may be asked to:
  // what the card held only in its cache is gone by the read-back.
  const TestManifest manifest = FullTest(card->mountPoint(), options).write().result();
  card->replug();
  const FullTestResult result = FullTest::verify(manifest, card->mountPoint(), false).result();

  EXPECT_EQ(result.verdict(), Verdict::damaged);
  ASSERT_TRUE(result.manifest.writeStop.isIOError()) << static_cast<int>(result.manifest.writeStop.kind);
  // The card counts what reached it, the file system's own writes included, and the
  // host hands it writes late: where writing stopped lies near its allowance, not on it.
  EXPECT_LE(result.manifest.writeStop.position, worn.readOnlyAfter + 16_MiB);
  EXPECT_GE(result.manifest.writeStop.position + 64_MiB, worn.readOnlyAfter);
  EXPECT_EQ(result.writeRefusal(), Refusal::readOnly);
  // Nothing it took was lost, so where it stopped is all it can be trusted with.
  EXPECT_EQ(result.tally.badSectors(), 0);
  ASSERT_TRUE(result.realCapacity());
  EXPECT_EQ(*result.realCapacity(),
            result.structureBytes() + result.manifest.usedBytesBefore + result.manifest.writeStop.position);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, FullTestOnCardTurningReadOnly,
    ::testing::Values(WornCard{FileSystemKind::ext4, 0, EROFS}, WornCard{FileSystemKind::exfat, 0, EIO},
                      WornCard{FileSystemKind::ext4, 300_MiB, EIO}, WornCard{FileSystemKind::exfat, 300_MiB, EROFS},
                      WornCard{FileSystemKind::exfat, 300_MiB, EIO},
                      WornCard{FileSystemKind::ext4, 300_MiB, EIO, 32_MiB}),
    [](const auto& info) {
      return std::string(info.param.fileSystem == FileSystemKind::exfat ? "exfat" : "ext4") + "After" +
             std::to_string(info.param.readOnlyAfter >> 20) + "MiB" + (info.param.error == EIO ? "EIO" : "EROFS") +
             (info.param.writeBackCache > 0 ? "WithAVolatileCache" : "");
    });

}  // namespace
}  // namespace tessorin
