// The quick check on simulated cards: genuine, wrapping, forgetting, rotting and
// vanishing media behind exfat-fuse, and the volumes it refuses.

#include "tessorin/quick/QuickProbe.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "CounterfeitCard.hpp"
#include "LoopVolume.hpp"
#include "SmallCardQuickOptions.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using testing::CounterfeitCard;
using testing::FileSystemKind;
using testing::LoopVolume;
using Mode = CounterfeitCard::Mode;
using Phase = QuickProbe::Progress::Phase;
using Verdict = QuickProbeResult::Verdict;
using namespace testing::literals;

QuickProbe::Options smallCardOptions() { return testing::smallCardQuickOptions(); }

// Everything one run handed back, gathered from its worker thread.
struct Observed {
  std::mutex lock;
  std::vector<QuickProbe::Progress> progress;
  std::vector<QuickProbeResult> partials;
};

QuickProbeResult check(const std::string& volume, Observed& observed, QuickProbe::FinePassHook hook = {},
                       QuickProbe::Options options = smallCardOptions()) {
  auto run = QuickProbe(volume, options)
                 .run(
                     [&](const QuickProbe::Progress& progress) {
                       std::lock_guard guard(observed.lock);
                       observed.progress.push_back(progress);
                     },
                     [&](const QuickProbeResult& partial) {
                       std::lock_guard guard(observed.lock);
                       observed.partials.push_back(partial);
                     },
                     std::move(hook));
  return run.result();
}

TEST(QuickProbeRun, GenuineCardPassesWithEveryProbeIntactAndLeavesNoFolder) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB});
  Observed observed;
  const QuickProbeResult result = check(card->mountPoint(), observed);

  EXPECT_EQ(result.verdict(), Verdict::passed);
  EXPECT_EQ(result.okCount(), static_cast<std::int64_t>(result.layout.slotCount));
  EXPECT_EQ(result.lostAfterVerifying, 0);
  ASSERT_TRUE(result.zone);
  EXPECT_TRUE(result.zone->isClean());
  EXPECT_EQ(result.zone->bytes, result.layout.zoneBytes);
  EXPECT_FALSE(TestFolder::exists(card->mountPoint()));

  // The provisional results come first, coarse then fine, without a zone.
  ASSERT_EQ(observed.partials.size(), 2u);
  EXPECT_EQ(observed.partials[0].completed, QuickProbeResult::Stage::coarse);
  EXPECT_EQ(observed.partials[1].completed, QuickProbeResult::Stage::fine);
  EXPECT_FALSE(observed.partials[0].zone || observed.partials[1].zone);
  EXPECT_LT(observed.partials[0].testedCount(), observed.partials[1].testedCount());
  EXPECT_EQ(result.completed, QuickProbeResult::Stage::zone);
  ASSERT_FALSE(observed.progress.empty());
  EXPECT_EQ(observed.progress.front().phase, Phase::preparing);
  EXPECT_EQ(observed.progress.back().phase, Phase::cleaning);
}

struct Fake {
  Mode mode;
  std::uint64_t real;
};

std::string fakeName(const ::testing::TestParamInfo<Fake>& info) {
  const char* mode = info.param.mode == Mode::wrap ? "wrap" : info.param.mode == Mode::dropZero ? "dropZero" : "dropFF";
  return mode + std::to_string(info.param.real >> 20) + "MiB";
}

// What a failing expectation needs to say why: every probe's outcome and the zone.
std::string describe(const QuickProbeResult& result) {
  std::string text = "probes:";
  for (const ProbeOutcome outcome : result.outcomes) text += " " + std::to_string(outcome.rawValue());
  if (result.zone) {
    const SectorTally& tally = result.zone->tally;
    text += "; zone: " + std::to_string(result.zone->bytes >> 20) + " MiB, write failed " +
            std::to_string(result.zone->writeFailed) + ", ok " + std::to_string(tally.ok) + ", blank " +
            std::to_string(tally.blank) + ", stale " + std::to_string(tally.stale) + ", misplaced " +
            std::to_string(tally.misplaced) + ", corrupted " + std::to_string(tally.corrupted) + ", unreadable " +
            std::to_string(tally.unreadable);
  }
  text += "; wrap " + (result.wrapDistance ? std::to_string(*result.wrapDistance >> 20) + " MiB" : std::string("none"));
  text += "; used " + std::to_string(result.usedBytes >> 20) + " MiB";
  return text;
}

class QuickProbeOnFake : public ::testing::TestWithParam<Fake> {};

TEST_P(QuickProbeOnFake, FakeCardIsFoundAndItsRealCapacityBracketed) {
  TESSORIN_REQUIRE_VOLUMES();
  // The check is meant for drivers that reserve space without writing it; the zeros
  // exfat-fuse writes instead would wrap over the card's own structures before a probe
  // was written.
  auto card = CounterfeitCard::make(
      {.claimed = 512_MiB, .real = GetParam().real, .mode = GetParam().mode, .unwrittenReservations = true});
  Observed observed;
  const QuickProbeResult result = check(card->mountPoint(), observed);
  const auto range = result.realCapacityRange();
  EXPECT_EQ(result.verdict(), Verdict::fake) << describe(result);
  ASSERT_TRUE(range) << describe(result);
  EXPECT_TRUE(range->contains(GetParam().real)) << range->lower << ".." << range->upper << "; " << describe(result);

  if (GetParam().mode == Mode::wrap) {
    // The card reads back what it kept of every write, so the probes past its end may
    // look intact at first; the zone, written later where those probes wrapped to,
    // gives it away in the last read-back, at exactly its real size.
    EXPECT_EQ(result.wrapDistance, GetParam().real) << describe(result);
    // The probes wrapped onto the test area only, never onto the file system's own
    // structures: the folder goes as on any card.
    EXPECT_FALSE(TestFolder::exists(card->mountPoint()));
    return;
  }
  // A card that forgets writes is caught in the first read-back already: every coarse
  // probe past the real size reads blank from the card, not intact from the host's copy.
  ASSERT_EQ(observed.partials.size(), 2u);
  const QuickProbeResult& coarse = observed.partials[0];
  for (std::uint64_t slot = 0; slot < coarse.layout.slotCount; ++slot) {
    if (coarse.outcomes[slot].isTested() && coarse.usedBytes + coarse.layout.position(slot) >= GetParam().real) {
      EXPECT_EQ(coarse.outcomes[slot], ProbeOutcome::blank) << "slot " << slot;
    }
  }
  EXPECT_FALSE(TestFolder::exists(card->mountPoint()));
}

INSTANTIATE_TEST_SUITE_P(Media, QuickProbeOnFake,
                         ::testing::Values(Fake{Mode::wrap, 150_MiB}, Fake{Mode::wrap, 290_MiB}, Fake{Mode::wrap, 410_MiB},
                                           Fake{Mode::dropZero, 150_MiB}, Fake{Mode::dropZero, 290_MiB},
                                           Fake{Mode::dropFF, 410_MiB}),
                         fakeName);

// A whole-device probe of such a card fails where it reads near the end; the check must
// still see the exFAT volume it is and judge the card, not refuse it.
TEST(QuickProbeRun, CardFailingReadsAndWritesPastItsRealSizeIsCheckedAndFoundFake) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB, .real = 290_MiB, .mode = Mode::error});
  Observed observed;
  const QuickProbeResult result = check(card->mountPoint(), observed);
  EXPECT_EQ(result.verdict(), Verdict::fake);
  const auto range = result.realCapacityRange();
  ASSERT_TRUE(range);
  EXPECT_TRUE(range->contains(290_MiB)) << range->lower << ".." << range->upper;
}

TEST(QuickProbeRun, BitRotInOneRegionIsNotAPass) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB, .bitRot = CounterfeitCard::ByteRange{200_MiB, 48_MiB}});
  Observed observed;
  const QuickProbeResult result = check(card->mountPoint(), observed);
  EXPECT_EQ(result.verdict(), Verdict::damaged);
  EXPECT_GE(result.failingCount(), 2);
  EXPECT_FALSE(TestFolder::exists(card->mountPoint()));
}

TEST(QuickProbeRun, MediumThatStopsAnsweringMidCheckEndsTheCheckWithoutAPass) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB, .vanishError = EIO});
  Observed observed;
  // The first fine pass's probes are on the card when the card stops answering; the
  // file system stays mounted and fails every call that reaches the medium.
  try {
    const QuickProbeResult result = check(card->mountPoint(), observed, [&] { card->vanish(); });
    EXPECT_NE(result.verdict(), Verdict::passed);
  } catch (const PosixError& error) {
    EXPECT_TRUE(error.isDeviceGone()) << error.what();
  }
}

TEST(QuickProbeRun, CardPulledMidCheckFailsTheCheckAndWritesNothingBelowItsMountPoint) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB});
  Observed observed;
  // What the desktop does when a card is pulled: the medium goes and its volume is
  // unmounted, leaving the mount point as an empty folder on the disk below.
  EXPECT_THROW(check(card->mountPoint(), observed,
                     [&] {
                       card->vanish();
                       card->volume().unmount();
                     }),
               PosixError);
  EXPECT_TRUE(fs::is_empty(card->mountPoint()));
}

std::string phaseName(const ::testing::TestParamInfo<Phase>& info) {
  switch (info.param) {
    case Phase::preparing: return "preparing";
    case Phase::coarse: return "coarse";
    case Phase::zone: return "zone";
    case Phase::fine: return "fine";
    case Phase::cleaning: return "cleaning";
  }
  return "unknown";
}

class QuickProbeCancelled : public ::testing::TestWithParam<Phase> {};

TEST_P(QuickProbeCancelled, CancellingInAnyStageStopsThereAndLeavesNoFolder) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB});
  auto flag = std::make_shared<CancellationFlag>();
  std::vector<Phase> seenAfterCancel;
  std::atomic<int> partials = 0;
  auto run = QuickProbe(card->mountPoint(), smallCardOptions())
                 .run(
                     [&](const QuickProbe::Progress& progress) {
                       if (flag->isCancelled()) seenAfterCancel.push_back(progress.phase);
                       if (progress.phase == GetParam()) flag->cancel();
                     },
                     [&](const QuickProbeResult&) { ++partials; }, {}, {}, flag);
  EXPECT_THROW(run.result(), CancelledError);
  for (const Phase seen : seenAfterCancel) EXPECT_EQ(seen, GetParam());
  EXPECT_EQ(partials, GetParam() == Phase::zone ? 2 : GetParam() == Phase::fine ? 1 : 0);
  EXPECT_FALSE(TestFolder::exists(card->mountPoint()));
}

INSTANTIATE_TEST_SUITE_P(Stages, QuickProbeCancelled,
                         ::testing::Values(Phase::preparing, Phase::coarse, Phase::fine, Phase::zone),
                         phaseName);

std::optional<QuickProbe::Unsupported> refusal(const std::string& volume, Observed& observed,
                                               QuickProbe::Options options = smallCardOptions()) {
  try {
    check(volume, observed, {}, options);
  } catch (const QuickProbe::Unsupported& error) {
    return error;
  }
  return std::nullopt;
}

TEST(QuickProbeRun, VolumesTheCheckCannotUseAreRefusedAndLeftAsTheyWere) {
  TESSORIN_REQUIRE_VOLUMES();
  {
    // Not exFAT: refused before anything is written or reported.
    auto volume = LoopVolume::create(FileSystemKind::ext4, 128_MiB);
    Observed observed;
    EXPECT_EQ(refusal(volume->mountPoint(), observed), QuickProbe::Unsupported::fileSystem("ext4"));
    EXPECT_TRUE(observed.progress.empty());
    EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
  }
  {
    // Too full for one zone segment and eight slots; the free bytes are counted with the
    // test folder in place, at most a cluster less than before.
    auto volume = LoopVolume::create(FileSystemKind::exfat, 128_MiB);
    const std::uint64_t available = VolumeStats(volume->mountPoint()).availableBytes;
    Observed observed;
    const auto refused = refusal(volume->mountPoint(), observed);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind(), QuickProbe::Unsupported::Kind::notEnoughFreeSpace);
    EXPECT_LE(refused->availableBytes(), available);
    EXPECT_GE(refused->availableBytes() + 1_MiB, available);
    EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
  }
  {
    // A file system slower to reserve the zone than the limit allows.
    auto volume = LoopVolume::create(FileSystemKind::exfat, 512_MiB);
    auto options = smallCardOptions();
    options.slowAllocationSeconds = 0;
    Observed observed;
    EXPECT_EQ(refusal(volume->mountPoint(), observed, options), QuickProbe::Unsupported::slowAllocation());
    EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
  }
}

// Where reserving space writes it, the check refuses after its first small slot: on a
// genuine card a check would write the whole card, and on a fake the zeros would wrap
// over its file system before the first probe.
struct ZeroFillingCard {
  const char* name;
  CounterfeitCard::Options card;
};

class QuickProbeOnZeroFillingDriver : public ::testing::TestWithParam<ZeroFillingCard> {};

TEST_P(QuickProbeOnZeroFillingDriver, IsRefusedBeforeTwoPercentOfTheCardIsWritten) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make(GetParam().card);
  auto options = smallCardOptions();
  options.allocationTrialBytes = QuickProbe::Options().allocationTrialBytes;
  const std::uint64_t before = card->bytesWrittenToDevice();
  Observed observed;
  EXPECT_EQ(refusal(card->mountPoint(), observed, options), QuickProbe::Unsupported::zeroFilledAllocation());
  const std::uint64_t written = card->bytesWrittenToDevice() - before;
  EXPECT_LT(written, GetParam().card.claimed / 50) << written << " bytes written";
  EXPECT_FALSE(TestFolder::exists(card->mountPoint()));
  // The file system is whole: it mounts again and takes a file.
  card->volume().unmount();
  ASSERT_TRUE(card->volume().mount());
  EXPECT_TRUE(fs::create_directory(fs::path(card->mountPoint()) / "after"));
}

INSTANTIATE_TEST_SUITE_P(Cards, QuickProbeOnZeroFillingDriver,
                         ::testing::Values(ZeroFillingCard{"genuine512MiB", {.claimed = 512_MiB}},
                                           ZeroFillingCard{"wrap700MiBOf3GiB",
                                                           {.claimed = 3_GiB, .real = 700_MiB, .mode = Mode::wrap}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QuickProbeRun, WhereReservingWritesNothingTheTrialLetsTheCheckRun) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB, .fileSystem = FileSystemKind::ext4});
  auto options = smallCardOptions();
  options.allocationTrialBytes = QuickProbe::Options().allocationTrialBytes;
  options.fileSystem = "ext4";
  const std::uint64_t before = card->bytesWrittenToDevice();
  std::optional<std::uint64_t> reserved;
  auto run = QuickProbe(card->mountPoint(), options).run([&](const QuickProbe::Progress& progress) {
    if (progress.phase != Phase::preparing && !reserved) reserved = card->bytesWrittenToDevice() - before;
  });
  EXPECT_EQ(run.result().verdict(), Verdict::passed);
  ASSERT_TRUE(reserved);
  EXPECT_LT(*reserved, 512_MiB / 50) << "reserving wrote " << *reserved << " bytes";
}

// The device's write counter is the whole card's: another program saving to the card
// while the trial runs (here 1 MiB at a time, each flushed) must not make a file system
// that reserves without writing look like one that writes zeros.
TEST(QuickProbeRun, AnotherWriterOnTheCardDoesNotMakeTheTrialRefuseTheCheck) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB, .fileSystem = FileSystemKind::ext4});
  auto options = smallCardOptions();
  options.allocationTrialBytes = QuickProbe::Options().allocationTrialBytes;
  options.fileSystem = "ext4";
  std::atomic<bool> trialOver{false};
  std::thread otherProgram([&] {
    const std::string path = (fs::path(card->mountPoint()) / "import.bin").string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const std::vector<char> chunk(1 << 20, 'x');
    for (int written = 0; !trialOver && written < 64; ++written) {
      if (::pwrite(fd, chunk.data(), chunk.size(), 0) != static_cast<ssize_t>(chunk.size())) break;
      ::fdatasync(fd);
    }
    ::close(fd);
  });
  std::optional<QuickProbeResult> result;
  try {
    result = QuickProbe(card->mountPoint(), options)
                 .run([&](const QuickProbe::Progress& progress) {
                   if (progress.phase != Phase::preparing) trialOver = true;
                 })
                 .result();
  } catch (const QuickProbe::Unsupported& refused) {
    ADD_FAILURE() << "the check was refused: " << refused.what();
  }
  trialOver = true;
  otherProgram.join();
  if (result) {
    EXPECT_EQ(result->verdict(), Verdict::passed);
  }
}

}  // namespace
}  // namespace tessorin
