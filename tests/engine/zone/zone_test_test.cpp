#include "tessorin/zone/ZoneTest.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "LoopVolume.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/pattern/NotEnoughFreeSpace.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/pattern/SectorTally.hpp"
#include "tessorin/pattern/TestPattern.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::CounterfeitCard;
using testing::FileSystemKind;
using testing::LoopVolume;
using Progress = QuickProbeProgress;
using Phase = QuickProbeProgress::Phase;
using Step = QuickProbeProgress::Step;

// Small enough for a test volume of a few hundred MiB, large enough for the random phase.
ZoneTest::Options smallOptions() {
  ZoneTest::Options options;
  options.minimumBytes = 16_MiB;
  options.segmentBytes = 16_MiB;
  options.chunkSize = 4_MiB;
  options.randomSeconds = 0.2;
  return options;
}

struct Outcome {
  ZoneResult result;
  std::vector<Progress> reports;
  std::vector<std::string> reportingThreads;
};

std::string currentThreadName() {
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return name;
}

Outcome runZoneTest(const std::string& volume, const ZoneTest::Options& options) {
  Outcome outcome;
  auto run = ZoneTest(volume, options).run([&](const Progress& progress) {
    outcome.reports.push_back(progress);
    if (outcome.reportingThreads.empty() || outcome.reportingThreads.back() != currentThreadName()) {
      outcome.reportingThreads.push_back(currentThreadName());
    }
  });
  outcome.result = run.result();
  return outcome;
}

std::vector<Step> stepsInOrder(const std::vector<Progress>& reports) {
  std::vector<Step> steps;
  for (const auto& report : reports) {
    if (report.phase == Phase::zone && (steps.empty() || steps.back() != report.step)) steps.push_back(report.step);
  }
  return steps;
}

std::size_t segmentsFor(std::uint64_t bytes, std::uint64_t segment) { return (bytes + segment - 1) / segment; }

TEST(ZoneTestOptions, DefaultsSuitAWholeCard) {
  const ZoneTest::Options options;
  EXPECT_EQ(options.maximumBytes, 1_GiB);
  EXPECT_EQ(options.minimumBytes, 256_MiB);
  EXPECT_EQ(options.timeBudget, 45);
  EXPECT_EQ(options.segmentBytes, 64_MiB);
  EXPECT_EQ(options.chunkSize, std::int64_t(8_MiB));
  EXPECT_EQ(options.randomSeconds, 4);
  EXPECT_NO_THROW(ZoneTest("/", options));
}

TEST(ZoneTestOptions, SizesThatWouldLoopForeverDivideByZeroOrMisalignAreRefused) {
  struct Case {
    const char* why;
    std::int64_t chunk;
    std::uint64_t segment;
  };
  const Case cases[] = {
      {"a zero chunk never advances", 0, 64_MiB},
      {"a negative chunk", -4096, 64_MiB},
      {"a zero segment divides by zero", 8_MiB, 0},
      {"an unaligned chunk fails uncached I/O", 4_MiB + 512, 64_MiB},
      {"an unaligned segment", 4096, 64_MiB + 512},
      {"a segment that is not whole chunks", 8_MiB, 12_MiB},
  };
  for (const auto& c : cases) {
    ZoneTest::Options options;
    options.chunkSize = c.chunk;
    options.segmentBytes = c.segment;
    EXPECT_THROW(ZoneTest("/", options), std::invalid_argument) << c.why;
  }

  // Options changed after the test was made are checked again before anything is written.
  ZoneTest test("/nonexistent-volume");
  test.options.chunkSize = 0;
  EXPECT_THROW(test.run().result(), std::invalid_argument);
}

class ZoneTestOnVolume : public ::testing::TestWithParam<FileSystemKind> {};

TEST_P(ZoneTestOnVolume, GenuineVolumeReadsBackHalfItsFreeSpaceWithBothRandomRates) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 200_MiB);
  auto options = smallOptions();
  options.randomSeconds = 0.5;  // long enough for a progress report
  const std::uint64_t availableBefore = VolumeStats(volume->mountPoint()).availableBytes;

  const auto [result, reports, threads] = runZoneTest(volume->mountPoint(), options);

  // Half the free space in whole segments: the test folder itself may take a few blocks.
  EXPECT_EQ(result.bytes % options.segmentBytes, 0u);
  EXPECT_LE(result.bytes, availableBefore / 2);
  EXPECT_GT(result.bytes + options.segmentBytes, availableBefore / 2 - 1_MiB);
  EXPECT_FALSE(result.writeFailed);
  EXPECT_EQ(result.checkedBytes, result.bytes);
  EXPECT_EQ(result.tally.ok, std::int64_t(result.bytes / 512));
  EXPECT_EQ(result.tally.badSectors(), 0);
  EXPECT_EQ(result.writeSegments.size(), result.bytes / options.segmentBytes);
  EXPECT_EQ(result.readSegments.size(), result.bytes / options.segmentBytes);
  EXPECT_GT(result.writeSpeed(), 0);
  EXPECT_GT(result.readSpeed(), 0);
  ASSERT_TRUE(result.randomReadIOPS && result.randomWriteIOPS);
  EXPECT_GT(*result.randomReadIOPS, 0);
  EXPECT_GT(*result.randomWriteIOPS, 0);
  EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));

  EXPECT_EQ(threads, std::vector<std::string>{ZoneTest::threadName});
  EXPECT_EQ(stepsInOrder(reports), (std::vector<Step>{Step::writing, Step::verifying, Step::random}));
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), Progress(Phase::cleaning, Step::writing, 0, 0));
  // The last write report stands at the end of the zone, in whole MiB.
  const auto lastWrite = std::find_if(reports.rbegin(), reports.rend(), [](const Progress& report) {
    return report.phase == Phase::zone && report.step == Step::writing;
  });
  ASSERT_NE(lastWrite, reports.rend());
  EXPECT_EQ(lastWrite->completed, std::int64_t(result.bytes >> 20));
  EXPECT_DOUBLE_EQ(lastWrite->fraction, 1.0);
}

TEST_P(ZoneTestOnVolume, ZoneIsCappedAtMaximumAndStopsAtTheFirstSegmentPastTheBudget) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 200_MiB);

  auto capped = smallOptions();
  capped.maximumBytes = 32_MiB;
  EXPECT_EQ(runZoneTest(volume->mountPoint(), capped).result.bytes, 32_MiB);

  // With the budget spent from the start, writing ends at the first segment end that
  // holds the minimum, and whatever was written is still read back whole.
  auto hurried = smallOptions();
  hurried.timeBudget = 0;
  hurried.minimumBytes = 20_MiB;
  const ZoneResult result = runZoneTest(volume->mountPoint(), hurried).result;
  EXPECT_EQ(result.bytes, 32_MiB);
  EXPECT_EQ(result.writeSegments.size(), 2u);
  EXPECT_EQ(result.checkedBytes, 32_MiB);
  EXPECT_TRUE(result.isClean());
}

TEST_P(ZoneTestOnVolume, VolumeThatFillsUpMidZoneEndsWritingAsFullNotAsFailure) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 96_MiB);
  const auto prepared = TestFolder::prepare(volume->mountPoint());
  prepared.files.createFile(TestFolder::zoneFileName);
  const auto options = smallOptions();
  CancellationFlag flag;

  // A zone sized beyond the free space, as the quick check may hand over.
  const ZoneResult result =
      ZoneTest::measure(prepared.files, TestFolder::zoneFileName, 256_MiB, 77, options, flag, {}, prepared.mount);
  TestFolder::removeQuietly(volume->mountPoint());

  EXPECT_FALSE(result.writeFailed);
  EXPECT_GT(result.bytes, 32_MiB);
  EXPECT_LT(result.bytes, 96_MiB);
  EXPECT_EQ(result.bytes % std::uint64_t(options.chunkSize), 0u);
  // The last segment is the partial one the full volume cut short.
  EXPECT_EQ(result.writeSegments.size(), segmentsFor(result.bytes, options.segmentBytes));
  EXPECT_EQ(result.readSegments.size(), segmentsFor(result.bytes, options.segmentBytes));
  EXPECT_EQ(result.checkedBytes, result.bytes);
  EXPECT_EQ(result.tally.ok, std::int64_t(result.bytes / 512));
  EXPECT_TRUE(result.isClean());
}

TEST_P(ZoneTestOnVolume, RandomWritesLeaveTheZonesOwnSectorsInPlace) {
  // The quick check's last read-back finds a wrapping card's real size by the zone data
  // its probes land on; random writes of anything else would read there as corruption.
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 96_MiB);
  const auto prepared = TestFolder::prepare(volume->mountPoint());
  const std::string zone = (prepared.folder / TestFolder::zoneFileName).string();
  prepared.files.createFile(TestFolder::zoneFileName);
  CancellationFlag flag;
  const ZoneResult result =
      ZoneTest::measure(prepared.files, TestFolder::zoneFileName, 32_MiB, 77, smallOptions(), flag, {}, prepared.mount);
  ASSERT_TRUE(result.randomWriteIOPS) << "no random write was made";

  std::vector<char> contents(result.bytes);
  {
    const FileDescriptor file(::open(zone.c_str(), O_RDONLY));
    ASSERT_EQ(::pread(file.get(), contents.data(), contents.size(), 0), ssize_t(contents.size()));
  }
  TestFolder::removeQuietly(volume->mountPoint());
  SectorTally tally;
  TestPattern(77).verify(contents.data(), contents.size(), 0, tally);
  EXPECT_EQ(tally.ok, std::int64_t(result.bytes / TestPattern::sectorSize));
  EXPECT_EQ(tally.corrupted, 0);
}

TEST_P(ZoneTestOnVolume, TooLittleFreeSpaceIsRefusedWithTheFreeBytesAndLeavesNothing) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 48_MiB);
  auto options = smallOptions();
  options.segmentBytes = 32_MiB;
  const std::uint64_t availableBefore = VolumeStats(volume->mountPoint()).availableBytes;

  try {
    runZoneTest(volume->mountPoint(), options);
    FAIL() << "a zone smaller than one segment was measured";
  } catch (const NotEnoughFreeSpace& refusal) {
    // Read once the test folder stood on the volume.
    EXPECT_LE(refusal.availableBytes(), availableBefore);
    EXPECT_GT(refusal.availableBytes(), availableBefore - 1_MiB);
  }
  EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
}

TEST_P(ZoneTestOnVolume, CancellingInAnyPhaseThrowsAndLeavesNoTestFolder) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 128_MiB);
  auto options = smallOptions();
  options.randomSeconds = 2;

  for (const Step step : {Step::writing, Step::verifying, Step::random}) {
    auto flag = std::make_shared<CancellationFlag>();
    std::vector<Step> seenAfterCancel;
    auto run = ZoneTest(volume->mountPoint(), options).run(
        [&](const Progress& progress) {
          if (flag->isCancelled()) seenAfterCancel.push_back(progress.step);
          if (progress.phase == Phase::zone && progress.step == step) flag->cancel();
        },
        {}, flag);
    EXPECT_THROW(run.result(), CancelledError) << int(step);
    // Cancelled means stopped: no later phase ran.
    for (const Step seen : seenAfterCancel) EXPECT_EQ(seen, step);
    EXPECT_FALSE(TestFolder::exists(volume->mountPoint())) << int(step);
  }
}

TEST_P(ZoneTestOnVolume, MeasureOnAVanishedMountRefusesToWriteBelowIt) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 64_MiB);
  const auto prepared = TestFolder::prepare(volume->mountPoint());
  volume->unmount();
  // What is left is the empty mount point on the disk below; put a zone file there.
  fs::create_directories(prepared.folder);
  const std::string zone = (prepared.folder / TestFolder::zoneFileName).string();
  FileDescriptor(::open(zone.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644));
  CancellationFlag flag;

  try {
    ZoneTest::measure(prepared.files, TestFolder::zoneFileName, 16_MiB, 77, smallOptions(), flag, {}, prepared.mount);
    FAIL() << "the zone was written to the disk below the card";
  } catch (const PosixError& error) {
    EXPECT_EQ(error.operation(), "mount");
  }
  EXPECT_EQ(fs::file_size(zone), 0u);
  fs::remove_all(prepared.folder);
}

INSTANTIATE_TEST_SUITE_P(FileSystems, ZoneTestOnVolume, ::testing::Values(FileSystemKind::exfat, FileSystemKind::ext4),
                         [](const auto& info) { return info.param == FileSystemKind::exfat ? "exFAT" : "ext4"; });

// Counterfeit and failing cards, met through the kernel as a real card would be.
using Mode = CounterfeitCard::Mode;

TEST(ZoneTestOnCounterfeitCard, CardThatDropsWritesPastItsRealSizeReadsBackBlankAndStopsEarly) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB, .real = 96_MiB, .mode = Mode::dropZero});
  const auto options = smallOptions();

  const ZoneResult result = runZoneTest(card->mountPoint(), options).result;

  // Every write seemed to succeed; only the read-back, from the card itself, tells.
  EXPECT_FALSE(result.writeFailed);
  EXPECT_GE(result.bytes, 192_MiB);
  EXPECT_GT(result.tally.blank, 0);
  ASSERT_TRUE(result.tally.firstBadPosition);
  EXPECT_LT(*result.tally.firstBadPosition, 96_MiB);
  EXPECT_GT(result.tally.badSectors(), result.tally.ok);
  EXPECT_LT(result.checkedBytes, result.bytes);
  EXPECT_EQ(result.checkedBytes % options.segmentBytes, 0u);
  EXPECT_EQ(result.readSegments.size(), result.checkedBytes / options.segmentBytes);
  EXPECT_FALSE(result.randomReadIOPS || result.randomWriteIOPS);
  EXPECT_FALSE(TestFolder::exists(card->mountPoint()));
}

TEST(ZoneTestOnCounterfeitCard, FewCorruptedSectorsAreCountedAndSkipTheRandomPhase) {
  TESSORIN_REQUIRE_VOLUMES();
  // Eight rotten sectors well inside where the zone lands.
  auto card = CounterfeitCard::make(
      {.claimed = 512_MiB, .bitRot = CounterfeitCard::ByteRange{150_MiB, 8 * TestPattern::sectorSize}});

  const ZoneResult result = runZoneTest(card->mountPoint(), smallOptions()).result;

  EXPECT_EQ(result.tally.corrupted, 8);
  EXPECT_EQ(result.tally.badSectors(), 8);
  EXPECT_EQ(result.checkedBytes, result.bytes);
  EXPECT_FALSE(result.isClean());
  EXPECT_FALSE(result.randomReadIOPS || result.randomWriteIOPS);
}

TEST(ZoneTestOnCounterfeitCard, CardFailingWithEIOCountsUnreadableSectorsAndNeverThrows) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 512_MiB, .real = 96_MiB, .mode = Mode::error});

  ZoneResult result;
  ASSERT_NO_THROW(result = runZoneTest(card->mountPoint(), smallOptions()).result);

  // exFAT writes through the device's cache, so the card's refusal arrives at the sync.
  EXPECT_TRUE(result.writeFailed);
  EXPECT_LT(result.bytes, 128_MiB);
  EXPECT_GT(result.tally.unreadable, 0);
  ASSERT_TRUE(result.tally.firstBadPosition);
  EXPECT_LT(*result.tally.firstBadPosition, 96_MiB);
  EXPECT_FALSE(result.randomReadIOPS || result.randomWriteIOPS);
}

// How close the zone test comes to a slow card's pace is measured in
// bench/zone_slow_card_bench.cpp; here, what a paced card must not change.
TEST(ZoneTestOnCounterfeitCard, SlowCardStopsOnceTheBudgetIsSpentWithSoundFigures) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 256_MiB});
  constexpr double rate = 24e6;
  card->setWriteRate(static_cast<std::uint64_t>(rate));
  auto options = smallOptions();
  options.segmentBytes = 8_MiB;
  options.minimumBytes = 16_MiB;  // enough for the random phase, whatever the budget left
  options.timeBudget = 1.0;

  const auto [result, reports, threads] = runZoneTest(card->mountPoint(), options);

  // Writing ends at the first segment end past the budget, far short of the zone.
  EXPECT_GE(result.writeSeconds, options.timeBudget);
  EXPECT_GE(result.bytes, options.minimumBytes);
  EXPECT_LT(result.bytes, 64_MiB);
  EXPECT_EQ(result.bytes % options.segmentBytes, 0u);
  // Every byte the slow card took comes back.
  EXPECT_EQ(result.checkedBytes, result.bytes);
  EXPECT_EQ(result.tally.badSectors(), 0);
  EXPECT_EQ(result.tally.okBytes(), result.bytes);
  ASSERT_EQ(result.writeSegments.size(), result.bytes / options.segmentBytes);
  const auto sound = [](double figure) { return std::isfinite(figure) && figure > 0; };
  for (const double speed : result.writeSegments) EXPECT_TRUE(sound(speed)) << speed;
  for (const double speed : result.readSegments) EXPECT_TRUE(sound(speed)) << speed;
  EXPECT_TRUE(sound(result.writeSpeed()));
  EXPECT_TRUE(sound(result.readSpeed()));
  EXPECT_TRUE(result.randomReadIOPS && sound(*result.randomReadIOPS));
  EXPECT_TRUE(result.randomWriteIOPS && sound(*result.randomWriteIOPS));
  // A segment timed before it reached the card would be timed at the speed of memory,
  // hundreds of times the card's. The card is never faster than its pace, however busy
  // the machine, so a bound an order of magnitude above it cannot flake.
  for (const double speed : result.writeSegments) EXPECT_LT(speed, 10 * rate);
  // Once the minimum is written, the time share carries the fraction to the end.
  double lastWriteFraction = 0;
  for (const auto& report : reports) {
    if (report.phase == Phase::zone && report.step == Step::writing) lastWriteFraction = report.fraction;
  }
  EXPECT_DOUBLE_EQ(lastWriteFraction, 1.0);
}

struct Vanishing {
  FileSystemKind fileSystem;
  Step during;
};

class ZoneTestOnVanishingCard : public ::testing::TestWithParam<Vanishing> {};

TEST_P(ZoneTestOnVanishingCard, CardPulledMidTestEndsWithAResultOrAClearErrorNeverAHang) {
  TESSORIN_REQUIRE_VOLUMES();
  const auto [fileSystem, during] = GetParam();
  auto card = CounterfeitCard::make({.claimed = 256_MiB, .fileSystem = fileSystem});
  auto* pulled = card.get();
  auto run = ZoneTest(card->mountPoint(), smallOptions()).run([pulled, during = during](const Progress& progress) {
    if (progress.phase == Phase::zone && progress.step == during && progress.completed >= 16) pulled->vanish();
  });

  std::promise<void> ended;
  std::thread collector([&, during = during] {
    try {
      const ZoneResult result = run.result();
      EXPECT_FALSE(result.isClean()) << "a card that was pulled out passed";
      // Its reads failed at once: timing them would make a card that answers nothing fast.
      EXPECT_TRUE(result.cardStoppedAnswering);
      EXPECT_FALSE(result.readBackReachedCard);
      if (during == Step::writing) {
        EXPECT_TRUE(result.writeFailed);
      }
      EXPECT_FALSE(result.randomReadIOPS || result.randomWriteIOPS);
    } catch (const PosixError& error) {
      EXPECT_FALSE(error.description().empty());
    } catch (const std::filesystem::filesystem_error& error) {
      EXPECT_NE(std::string(error.what()), "");
    } catch (...) {
      ADD_FAILURE() << "an unexpected kind of error escaped";
    }
    ended.set_value();
  });
  const bool finished = ended.get_future().wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  EXPECT_TRUE(finished) << "the zone test hung on a vanished card";
  if (finished) {
    collector.join();
  } else {
    collector.detach();
  }
}

INSTANTIATE_TEST_SUITE_P(Pulled, ZoneTestOnVanishingCard,
                         ::testing::Values(Vanishing{FileSystemKind::exfat, Step::writing},
                                           Vanishing{FileSystemKind::exfat, Step::verifying},
                                           Vanishing{FileSystemKind::ext4, Step::writing},
                                           Vanishing{FileSystemKind::ext4, Step::verifying}),
                         [](const auto& info) {
                           return std::string(info.param.fileSystem == FileSystemKind::exfat ? "exFAT" : "ext4") +
                                  (info.param.during == Step::writing ? "WhileWriting" : "WhileReading");
                         });

}  // namespace
}  // namespace tessorin
