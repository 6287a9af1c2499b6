// Anyone who can write the card can swap the test folder for a link while a test runs
// (and the program may run as root). The tests open their folder once and every file
// relative to it, never through a link: nothing they write or read may land on the disk
// the link points at, where a read-back would find it intact.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>

#include "ByteLiterals.hpp"
#include "LoopVolume.hpp"
#include "SmallZoneOptions.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/quick/QuickProbe.hpp"
#include "tessorin/zone/ZoneTest.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using namespace testing::literals;
using testing::FileSystemKind;
using testing::LoopVolume;

// Moves the test folder aside on the card and puts a link to `elsewhere` in its place.
void swapForLink(const fs::path& volume, const fs::path& elsewhere) {
  fs::rename(TestFolder::path(volume), volume / "moved aside");
  fs::create_directory_symlink(elsewhere, TestFolder::path(volume));
}

struct Swap {
  const char* test;
  // Runs the test, calling `swapNow` from its progress once it is well under way.
  std::function<void(const std::string& volume, const std::function<void()>& swapNow)> run;
};

class SwappedTestFolder : public ::testing::TestWithParam<Swap> {};

TEST_P(SwappedTestFolder, NothingLandsWhereTheLinkPoints) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(FileSystemKind::exfat, 256_MiB);
  testing::TemporaryFolder elsewhere;
  std::atomic<bool> swapped{false};
  const auto swapNow = [&] {
    if (!swapped.exchange(true)) swapForLink(volume->mountPoint(), elsewhere.path());
  };
  try {
    GetParam().run(volume->mountPoint(), swapNow);
  } catch (const std::exception&) {
    // Failing is allowed; writing elsewhere is not.
  }
  EXPECT_TRUE(swapped) << "the test ended before the folder could be swapped";
  EXPECT_TRUE(fs::is_empty(elsewhere.path())) << GetParam().test << " wrote through the link";
}

FullTest::Options smallFiles() {
  FullTest::Options options;
  options.fileSize = 32_MiB;
  options.chunkSize = 4_MiB;
  return options;
}

const Swap swaps[] = {
    {"the advanced test",
     [](const std::string& volume, const std::function<void()>& swapNow) {
       FullTest(volume, smallFiles())
           .run([&](const FullTest::Progress& progress) {
             if (progress.phase == FullTest::Progress::Phase::writing && progress.bytesDone >= 40_MiB) swapNow();
           })
           .result();
     }},
    {"the quick check",
     [](const std::string& volume, const std::function<void()>& swapNow) {
       QuickProbe::Options options;
       options.minimumSpacing = 16_MiB;
       options.overwhelmBytes = 32_MiB;
       options.zone = testing::smallZoneOptions();
       options.slowAllocationSeconds = 30;
       // exfat-fuse writes the space it reserves; the check is wanted here all the same.
       options.allocationTrialBytes = 0;
       QuickProbe(volume, options)
           .run(
               [&](const QuickProbe::Progress& progress) {
                 if (progress.phase == QuickProbe::Progress::Phase::coarse &&
                     progress.step == QuickProbe::Progress::Step::verifying) {
                   swapNow();
                 }
               },
               {}, {})
           .result();
     }},
};

INSTANTIATE_TEST_SUITE_P(Tests, SwappedTestFolder, ::testing::ValuesIn(swaps),
                         [](const auto& info) { return std::string(info.index == 0 ? "advanced" : "quick"); });

}  // namespace
}  // namespace tessorin
