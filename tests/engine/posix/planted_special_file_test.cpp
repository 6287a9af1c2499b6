// Anyone who can write the card can put a FIFO, a device node or a link under a test
// file's name between two of a test's steps. Opening a FIFO waits for a writer (and a
// Stop, which is only looked at between steps, would never be seen), a device's driver
// acts on being opened, and a link leads off the card. A test never opens any of them:
// it ends at once, saying which file it left alone.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "ByteLiterals.hpp"
#include "LoopVolume.hpp"
#include "SmallCardQuickOptions.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/quick/QuickProbe.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::FileSystemKind;
using testing::LoopVolume;
using Clock = std::chrono::steady_clock;

// Longer than any of these tests takes to end on its own, by far.
constexpr auto endedWithin = std::chrono::seconds(10);

enum class Planted { fifo, device, link };

// Puts the special file under the name of the test file at `at` (the file itself goes).
void plant(Planted what, const fs::path& at) {
  ASSERT_EQ(::unlink(at.c_str()), 0) << at;
  switch (what) {
    case Planted::fifo:
      ASSERT_EQ(::mkfifo(at.c_str(), 0666), 0) << at;
      break;
    case Planted::device:
      // /dev/null's numbers: a device that answers every read, and is harmless besides.
      ASSERT_EQ(::mknod(at.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0) << at;
      break;
    case Planted::link:
      ASSERT_EQ(::symlink("/etc/hostname", at.c_str()), 0) << at;
      break;
  }
}

// A test that hangs on the FIFO (as it did once) is let go of it, so that it fails
// instead of hanging the suite: a writer that comes and goes ends the open that waits.
void releaseFifo(const fs::path& at) {
  const FileDescriptor writer(::open(at.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
}

const char* nameOf(Planted what) {
  return what == Planted::fifo ? "a FIFO" : what == Planted::device ? "a device node" : "a link";
}

FullTest::Options smallFiles() {
  FullTest::Options options;
  options.fileSize = 32_MiB;
  options.chunkSize = 4_MiB;
  return options;
}

// How a run ended, and when.
struct Ending {
  bool ended = false;
  std::string refusal;  // what the NotATestFolder said, if that ended it
  std::string other;    // any other ending
  Clock::time_point at;
};

template <class Result>
Ending awaitEnding(const WorkerRun<Result>& run, const fs::path& planted) {
  Ending ending;
  try {
    ending.ended = run.result(endedWithin).has_value();
    if (ending.ended) ending.other = "a result";
  } catch (const TestFolder::NotATestFolder& error) {
    ending.ended = true;
    ending.refusal = error.what();
  } catch (const std::exception& error) {
    ending.ended = true;
    ending.other = error.what();
  }
  ending.at = Clock::now();
  // The test may reach the FIFO only now, on a busy machine: the writer comes again
  // until it has ended.
  while (!ending.ended && !run.isFinished()) {
    releaseFifo(planted);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return ending;
}

class PlantedBeforeReadBack : public ::testing::TestWithParam<Planted> {};

TEST_P(PlantedBeforeReadBack, TheReadBackEndsAtOnceNamingTheFileItLeftAlone) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::ext4, 256_MiB);
  const TestManifest manifest = FullTest(volume->mountPoint(), smallFiles()).write().result();
  ASSERT_GE(manifest.files.size(), 3U);
  const fs::path planted = TestFolder::path(volume->mountPoint()) / manifest.files[1].name;
  plant(GetParam(), planted);

  const Ending ending = awaitEnding(FullTest::verify(manifest, volume->mountPoint(), false), planted);

  ASSERT_TRUE(ending.ended) << "the read-back hung on " << nameOf(GetParam());
  EXPECT_NE(ending.refusal.find(planted.string()), std::string::npos)
      << "with " << nameOf(GetParam()) << " the read-back ended with: " << ending.other << ending.refusal;
  struct stat status {};
  EXPECT_EQ(::lstat(planted.c_str(), &status), 0) << "what was planted is not the test's to delete";
}

// The Stop a user gives while a FIFO stands at a file's name ends the check in moments.
TEST(PlantedFifo, StopEndsTheReadBackWithinSeconds) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::ext4, 256_MiB);
  const TestManifest manifest = FullTest(volume->mountPoint(), smallFiles()).write().result();
  ASSERT_GE(manifest.files.size(), 3U);
  const fs::path planted = TestFolder::path(volume->mountPoint()) / manifest.files.front().name;
  plant(Planted::fifo, planted);

  // A read-back that ends before the Stop (nothing made it wait) counts as ended at once.
  const auto run = FullTest::verify(manifest, volume->mountPoint(), false);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const Clock::time_point stopped = Clock::now();
  run.cancel();
  const Ending ending = awaitEnding(run, planted);

  ASSERT_TRUE(ending.ended) << "a Stop did not end the read-back";
  const double seconds = std::chrono::duration<double>(ending.at - stopped).count();
  EXPECT_LT(seconds, 3.0) << "from the Stop to the end";
  RecordProperty("secondsFromStopToEnd", std::to_string(seconds));
}

// The quick check reads its probes back from their slot files again and again.
TEST(PlantedFifo, QuickCheckEndsAtOnceNamingTheSlotItLeftAlone) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::ext4, 512_MiB);
  QuickProbe::Options options = testing::smallCardQuickOptions();
  options.fileSystem = "ext4";
  const fs::path planted = TestFolder::path(volume->mountPoint()) / TestFolder::numberedFileName('Q', 0);
  std::atomic<bool> done{false};
  const auto run = QuickProbe(volume->mountPoint(), options).run([&](const QuickProbe::Progress& progress) {
    if (progress.phase == QuickProbe::Progress::Phase::coarse && progress.step == QuickProbe::Progress::Step::writing &&
        progress.completed == progress.total && !done.exchange(true)) {
      plant(Planted::fifo, planted);
    }
  });

  const Ending ending = awaitEnding(run, planted);

  ASSERT_TRUE(done) << "the check ended before the FIFO was planted";
  ASSERT_TRUE(ending.ended) << "the quick check hung on a FIFO";
  EXPECT_NE(ending.refusal.find(planted.string()), std::string::npos) << "it ended with: " << ending.other;
}

INSTANTIATE_TEST_SUITE_P(Files, PlantedBeforeReadBack, ::testing::Values(Planted::fifo, Planted::device, Planted::link),
                         [](const auto& info) {
                           return std::string(info.param == Planted::fifo     ? "fifo"
                                              : info.param == Planted::device ? "device"
                                                                              : "link");
                         });

}  // namespace
}  // namespace tessorin
