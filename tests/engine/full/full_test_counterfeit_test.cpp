// The advanced test against cards that lie, served by the counterfeit harness through
// the real kernel path: ext4 through the kernel (files opened with O_DIRECT) and exFAT
// through exfat-fuse (where dropping the host's cache of the device is what makes the
// read-back reach the medium).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

#include "ByteLiterals.hpp"
#include "Command.hpp"
#include "CounterfeitCard.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/full/FullTestCoding.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;
using testing::CounterfeitCard;
using testing::FileSystemKind;
using Mode = CounterfeitCard::Mode;
using Phase = FullTest::Progress::Phase;
using Verdict = FullTestResult::Verdict;

// Files of 256 MiB: several per card, and a wrap falls inside one.
FullTest::Options testOptions(bool keepFiles = false) {
  FullTest::Options options;
  options.fileSize = 256_MiB;
  options.keepFiles = keepFiles;
  return options;
}

std::unique_ptr<CounterfeitCard> makeCard(CounterfeitCard::Options options, FileSystemKind fileSystem) {
  options.fileSystem = fileSystem;
  return CounterfeitCard::make(options);
}

// A test that hangs on a vanished card is the fault; say so rather than wait forever.
template <class Result>
void waitForTheEnd(const WorkerRun<Result>& run, const char* what) {
  try {
    if (run.result(std::chrono::minutes(3))) return;
  } catch (...) {
    return;  // ended; the caller looks at how
  }
  std::fprintf(stderr, "%s: the advanced test hung\n", what);
  std::abort();
}

// Within `share` of `expected`.
::testing::AssertionResult near(std::uint64_t value, std::uint64_t expected, double share) {
  const double difference = std::abs(static_cast<double>(value) - static_cast<double>(expected));
  if (difference <= share * static_cast<double>(expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << value << " is not within " << share * 100 << "% of " << expected;
}

// exFAT lays the test files out one after the other from the start of the free space, as
// on a card fresh from the shop, so positions in the test's byte space are places on the
// medium and the capacity comes out exact. ext4 places files by its own rules, keeps its
// metadata out of its figures and re-reads metadata that a wrapping card has overwritten:
// there the lie must still be found, but a capacity is not a place on the medium.
bool filesLieInOrder(FileSystemKind kind) { return kind == FileSystemKind::exfat; }

// ext4 spreads backup superblocks over the whole volume and mkfs clears the device's last
// bytes; on a card that fails past its real size neither can be written. Such a card gets
// ext4 with every structure at its start, made in an image and copied on.
class Ext4AtTheStart {
 public:
  explicit Ext4AtTheStart(const CounterfeitCard& card) : mountPoint_(folder_.path() + "/CARD") {
    const std::string image = folder_.path() + "/ext4.img";
    testing::runChecked({"truncate", "-s", std::to_string(card.options().claimed), image});
    testing::runChecked({"mkfs.ext4", "-q", "-F", "-O", "sparse_super2", "-E",
                         "num_backup_sb=0,packed_meta_blocks=1,lazy_itable_init=1,lazy_journal_init=1,nodiscard", "-m",
                         "0", image});
    testing::runChecked({"dd", "if=" + image, "of=" + card.loopDevice(), "bs=1M", "count=256", "oflag=direct",
                         "status=none"});
    std::filesystem::remove(image);
    std::filesystem::create_directory(mountPoint_);
    testing::runChecked({"mount", "-t", "ext4", card.loopDevice(), mountPoint_});
  }
  ~Ext4AtTheStart() {
    if (!testing::runCommand({"umount", mountPoint_}).ok()) testing::runCommand({"umount", "-l", mountPoint_});
  }
  Ext4AtTheStart(const Ext4AtTheStart&) = delete;
  Ext4AtTheStart& operator=(const Ext4AtTheStart&) = delete;
  const std::string& mountPoint() const { return mountPoint_; }

 private:
  testing::TemporaryFolder folder_;
  std::string mountPoint_;
};

class FullTestOnCounterfeitCard : public ::testing::TestWithParam<FileSystemKind> {};

TEST_P(FullTestOnCounterfeitCard, GenuineCardPassesAndKeptFilesAreCheckedAgainAfterARemount) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = makeCard({.claimed = 1_GiB}, GetParam());

  const FullTestResult kept = FullTest(card->mountPoint(), testOptions(true)).run().result();
  EXPECT_EQ(kept.verdict(), Verdict::passed);
  EXPECT_EQ(kept.realCapacity(), std::nullopt);
  EXPECT_EQ(kept.manifest.writeStop, FullTestResult::WriteStop::completed());
  for (auto cell : kept.map.cells()) EXPECT_EQ(cell, CapacityMap::Cell::good);
  ASSERT_TRUE(TestFolder::exists(card->mountPoint()));

  const std::string stored = nlohmann::json(kept.manifest).dump();
  card->volume().unmount();
  ASSERT_TRUE(card->volume().mount());
  const FullTestResult verified =
      FullTest::verify(nlohmann::json::parse(stored).get<TestManifest>(), card->mountPoint(), false)
          .result();
  EXPECT_EQ(verified.verdict(), Verdict::passed);
  EXPECT_EQ(verified.tally.ok, kept.tally.ok);
  EXPECT_FALSE(TestFolder::exists(card->mountPoint()));
}

// The real size falls inside a test file, as it does on real fakes: the file system
// still takes that file whole, and its end wraps over the card's start.
TEST_P(FullTestOnCounterfeitCard, WrapAroundCardIsFakeWithRealSizeFromWrapDistance) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = makeCard({.claimed = 2_GiB, .real = 640_MiB, .mode = Mode::wrap}, GetParam());

  const FullTestResult result = FullTest(card->mountPoint(), testOptions()).run().result();

  EXPECT_EQ(result.verdict(), Verdict::fake);
  EXPECT_GT(result.tally.misplaced, 0);
  // Where positions are no places on the card, a figure is shown only when it is right.
  if (filesLieInOrder(GetParam())) {
    ASSERT_TRUE(result.realCapacity());
  }
  if (result.realCapacity()) {
    EXPECT_TRUE(near(*result.realCapacity(), 640_MiB, 0.02));
  }
}

TEST_P(FullTestOnCounterfeitCard, CardThatDropsWritesIsFakeEndingWhereItStopsKeeping) {
  TESSORIN_REQUIRE_VOLUMES();
  for (const Mode mode : {Mode::dropZero, Mode::dropFF}) {
    auto card = makeCard({.claimed = 2_GiB, .real = 640_MiB, .mode = mode}, GetParam());

    const FullTestResult result = FullTest(card->mountPoint(), testOptions()).run().result();

    EXPECT_NE(result.verdict(), Verdict::passed) << static_cast<int>(mode);
    EXPECT_EQ(result.tally.misplaced, 0);
    EXPECT_GE(static_cast<std::uint64_t>(result.tally.blank) * 512, result.manifest.writtenBytes() - 640_MiB)
        << static_cast<int>(mode);
    if (filesLieInOrder(GetParam())) {
      EXPECT_EQ(result.verdict(), Verdict::fake) << static_cast<int>(mode);
      ASSERT_TRUE(result.realCapacity());
      EXPECT_TRUE(near(*result.realCapacity(), 640_MiB, 0.02)) << static_cast<int>(mode);
    }
  }
}

// A controller that serves its last writes from a cache: read back at once, the end of
// what was written comes back intact on a card that kept nothing past its real size.
struct CachingFake {
  std::uint64_t claimed;
  std::uint64_t real;
  std::uint64_t cache;
  Mode mode;
  bool replugged;  // taken out and put back between writing and reading
};

class FullTestOnCachingFake : public ::testing::TestWithParam<CachingFake> {};

TEST_P(FullTestOnCachingFake, CachedTailIsNotKeptDataAndTheCardIsFakeWhereKeepingStopped) {
  TESSORIN_REQUIRE_VOLUMES();
  const CachingFake& fake = GetParam();
  auto card = CounterfeitCard::make(
      {.claimed = fake.claimed, .real = fake.real, .mode = fake.mode, .controllerCacheBytes = fake.cache});
  const TestManifest manifest = FullTest(card->mountPoint(), testOptions()).write().result();
  if (fake.replugged) card->replug();
  const FullTestResult result = FullTest::verify(manifest, card->mountPoint(), false).result();

  if (!fake.replugged) {
    // The cache alone is more than the 2 % of good sectors a fake may show after its end.
    EXPECT_GT(result.okFractionAfterFirstBad(), FullTestResult::fakeOkFractionBelow);
    EXPECT_GT(result.cachedTailBytes(), fake.cache - 8_MiB);
    EXPECT_LE(result.cachedTailBytes(), fake.cache);
  } else {
    EXPECT_EQ(result.cachedTailBytes(), 0u);
  }
  EXPECT_EQ(result.verdict(), Verdict::fake);
  ASSERT_TRUE(result.realCapacity());
  EXPECT_TRUE(near(*result.realCapacity(), fake.real, 0.02));
}

INSTANTIATE_TEST_SUITE_P(
    Caches, FullTestOnCachingFake,
    ::testing::Values(CachingFake{1_GiB, 512_MiB, 16_MiB, Mode::dropZero, false},
                      CachingFake{2_GiB, 640_MiB, 64_MiB, Mode::dropFF, false},
                      CachingFake{2_GiB, 640_MiB, 64_MiB, Mode::dropFF, true},
                      CachingFake{4_GiB, 1_GiB, 128_MiB, Mode::dropZero, false}),
    [](const auto& info) {
      return std::to_string(info.param.claimed >> 20) + "MiBCaching" + std::to_string(info.param.cache >> 20) +
             "MiB" + (info.param.replugged ? "Replugged" : "");
    });

TEST_P(FullTestOnCounterfeitCard, BitRotInAWindowIsDamageCountedWhereTheWindowIs) {
  TESSORIN_REQUIRE_VOLUMES();
  const CounterfeitCard::ByteRange window{600_MiB, 16_MiB};
  auto card = makeCard({.claimed = 1_GiB, .bitRot = window}, GetParam());

  const FullTestResult result = FullTest(card->mountPoint(), testOptions()).run().result();

  EXPECT_EQ(result.verdict(), Verdict::damaged);
  EXPECT_EQ(result.realCapacity(), std::nullopt);
  EXPECT_EQ(result.tally.corrupted, static_cast<std::int64_t>(window.length / 512));
  EXPECT_EQ(result.tally.badSectors(), result.tally.corrupted);
  // Positions count from the first test file, which starts after the file system's own
  // structures (ext4's journal and inode tables take over a hundred MiB here).
  ASSERT_TRUE(result.tally.firstBadPosition);
  EXPECT_LE(*result.tally.firstBadPosition, window.offset);
  EXPECT_GE(*result.tally.firstBadPosition, window.offset - 192_MiB);
  std::uint64_t badCells = 0;
  for (std::size_t i = 0; i < CapacityMap::cellCount; ++i) badCells += result.map.bad[i] > 0 ? 1 : 0;
  EXPECT_LE(badCells * result.map.totalBytes / CapacityMap::cellCount, window.length + 2 * 8_MiB);
}

// A fake that fails every write past its real size and a worn card that turns read-only
// at the same place both stop taking data there and keep what they took; only the fake
// still takes a write below that place.
TEST_P(FullTestOnCounterfeitCard, CardFailingPastItsRealSizeIsFakeEndingThereWhereOneTurningReadOnlyIsNot) {
  TESSORIN_REQUIRE_VOLUMES();
  const std::uint64_t real = 1_GiB;
  const bool ext4 = GetParam() == FileSystemKind::ext4;
  struct Card {
    Mode mode;
    std::optional<std::uint64_t> readOnlyAfter;
    Verdict verdict;
    WriteRefusal refusal;
  };
  const Card cards[] = {{Mode::error, std::nullopt, Verdict::fake, WriteRefusal::losesData},
                        {Mode::genuine, real, Verdict::damaged, WriteRefusal::readOnly}};
  for (const Card& made : cards) {
    auto card = CounterfeitCard::make({.claimed = 2_GiB, .real = real, .mode = made.mode,
                                       .fileSystem = ext4 ? std::nullopt : std::optional(FileSystemKind::exfat),
                                       .readOnlyError = EIO});
    std::optional<Ext4AtTheStart> formatted;
    if (ext4) formatted.emplace(*card);
    // Counted from here, once the card holds its file system.
    if (made.readOnlyAfter) card->turnReadOnlyAfter(*made.readOnlyAfter);
    const std::string volume = ext4 ? formatted->mountPoint() : card->mountPoint();

    const FullTestResult result = FullTest(volume, testOptions()).run().result();

    // O_DIRECT meets the failure in the write itself; exfat-fuse writes through the host's
    // cache of the device, and meets it when the data is forced to the card. Either way
    // the card stopped accepting data near the real size, and kept what it took.
    const int which = static_cast<int>(made.mode);
    EXPECT_EQ(result.verdict(), made.verdict) << which;
    EXPECT_EQ(result.manifest.writeStop.kind, FullTestResult::WriteStop::Kind::ioError) << which;
    // ext4 may meet the card's error in its own journal first and remount itself
    // read-only; the test's next write is then refused with EROFS, the same stop.
    if (ext4) {
      EXPECT_THAT(result.manifest.writeStop.code, ::testing::AnyOf(EIO, EROFS)) << which;
    } else {
      EXPECT_EQ(result.manifest.writeStop.code, EIO) << which;
    }
    EXPECT_EQ(result.tally.badSectors(), 0) << which;
    EXPECT_EQ(result.writeRefusal(), made.refusal) << which;
    // Both hold at least what they took, from the card's start; the fake holds no more.
    ASSERT_TRUE(result.realCapacity()) << which;
    EXPECT_EQ(*result.realCapacity(), result.stopPlace()) << which;
    // A card that turned read-only keeps the test's folder as well.
    if (made.verdict == Verdict::fake) {
      EXPECT_LE(*result.realCapacity(), real);
      EXPECT_TRUE(near(*result.realCapacity(), real, 0.02));
      EXPECT_FALSE(TestFolder::exists(volume));
    }
  }
}

TEST_P(FullTestOnCounterfeitCard, CardPulledOutWhileWritingOrReadingEndsTheTestWithoutHanging) {
  TESSORIN_REQUIRE_VOLUMES();
  for (const Phase phase : {Phase::writing, Phase::verifying}) {
    auto card = makeCard({.claimed = 1_GiB}, GetParam());
    std::atomic<bool> pulled{false};
    auto pullOut = [&](const FullTest::Progress& progress) {
      if (progress.phase == phase && progress.bytesDone >= 200_MiB && !pulled.exchange(true)) card->vanish();
    };
    auto run = FullTest(card->mountPoint(), testOptions()).run(pullOut);
    waitForTheEnd(run, phase == Phase::writing ? "pulled while writing" : "pulled while reading");
    EXPECT_TRUE(pulled);
    try {
      const FullTestResult result = run.result();
      EXPECT_NE(result.verdict(), Verdict::passed) << static_cast<int>(phase);
      EXPECT_GT(result.tally.unreadable, 0) << static_cast<int>(phase);
    } catch (const PosixError& error) {
      EXPECT_TRUE(error.isDeviceGone()) << error.what();
    }
  }
}

TEST_P(FullTestOnCounterfeitCard, CancellingEitherPhaseLeavesNoFilesEvenWhenAskedToKeepThem) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = makeCard({.claimed = 1_GiB}, GetParam());
  for (const Phase phase : {Phase::writing, Phase::verifying}) {
    auto flag = std::make_shared<CancellationFlag>();
    auto cancelEarly = [&, phase](const FullTest::Progress& progress) {
      if (progress.phase == phase && progress.bytesDone > 0 && progress.bytesDone < progress.bytesTotal) {
        flag->cancel();
      }
    };
    auto run = FullTest(card->mountPoint(), testOptions(true)).run(cancelEarly, {}, {}, flag);
    EXPECT_THROW(run.result(), CancelledError) << static_cast<int>(phase);
    EXPECT_FALSE(TestFolder::exists(card->mountPoint())) << static_cast<int>(phase);
  }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, FullTestOnCounterfeitCard,
                         ::testing::Values(FileSystemKind::ext4, FileSystemKind::exfat),
                         [](const auto& info) { return info.param == FileSystemKind::ext4 ? "ext4" : "exfat"; });

}  // namespace
}  // namespace tessorin
