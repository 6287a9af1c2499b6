// Fakes in the shapes the advanced test meets them, judged on their capacity: a real size
// that is a whole number of test files (the wrap lands first on the card's own
// file-system structures and the file system breaks before any earlier test data is
// overwritten), an odd real size, with and without a controller cache, on exFAT and on
// ext4. ext4 puts the test folder where it likes, past a 4 GiB card's middle when both
// halves are as free, and wraps its files round the end of the volume, so the files'
// order is not the card's; its extent map tells where each file lies. Every one is fake,
// and the capacity shown is within 2 % of the real size; where the files' places are
// known (in order on exFAT, told on ext4) it is always shown.
//
// Every case runs beside the load of a busy build machine (BusyHost): other writers, and
// the host's cache of the card dropped now and then and between the phases. A wrap
// overwrites the file system's own records on the card, and what the host still caches
// of them decides whether the file system finds the test's files again; the verdict and
// the size must not depend on it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "BusyHost.hpp"
#include "ByteLiterals.hpp"
#include "CounterfeitCard.hpp"
#include "tessorin/full/FullTest.hpp"

namespace tessorin {
namespace {

using namespace testing::literals;
using testing::BusyHost;
using testing::CounterfeitCard;
using testing::FileSystemKind;
using Mode = CounterfeitCard::Mode;
using Verdict = FullTestResult::Verdict;

struct Fake {
  Mode mode;
  std::uint64_t claimed;
  std::uint64_t real;
  std::uint64_t cache;
  FileSystemKind fileSystem;
  std::uint64_t fileSize;  // the test's file size: the real size is a whole number of them, or not
};

std::string nameOf(const Fake& fake) {
  return std::string(fake.fileSystem == FileSystemKind::exfat ? "exfat" : "ext4") +
         (fake.mode == Mode::wrap ? "Wrap" : "Drop") + std::to_string(fake.real >> 20) + "MiBOf" +
         std::to_string(fake.claimed >> 20) + (fake.cache ? "Cache" + std::to_string(fake.cache >> 20) : "") +
         "Files" + std::to_string(fake.fileSize >> 20);
}

class FakeCapacity : public ::testing::TestWithParam<Fake> {};

// What a failure needs to be understood: how writing ended, what was written, how each
// sector read back in the files' order and in the device's, and where the card's kept
// and lost sectors part.
std::string describe(const SectorTally& tally) {
  const auto optional = [](const std::optional<std::uint64_t>& value) {
    return value ? std::to_string(*value) : std::string("none");
  };
  return "ok " + std::to_string(tally.ok) + " blank " + std::to_string(tally.blank) + " stale " +
         std::to_string(tally.stale) + " misplaced " + std::to_string(tally.misplaced) + " corrupted " +
         std::to_string(tally.corrupted) + " unreadable " + std::to_string(tally.unreadable) + " wrap " +
         optional(tally.smallestWrapDistance) + " first bad " + optional(tally.firstBadPosition);
}

std::string describe(const FullTestResult& result) {
  const auto& stop = result.manifest.writeStop;
  std::string text = "kept " + std::to_string(result.keptBytes()) + ", written " +
                     std::to_string(result.manifest.writtenBytes()) + " in " +
                     std::to_string(result.manifest.files.size()) + " files, stop " +
                     std::to_string(static_cast<int>(stop.kind)) + " errno " + std::to_string(stop.code) + " at " +
                     std::to_string(stop.position) + ", used before " +
                     std::to_string(result.manifest.usedBytesBefore) + ", places " +
                     std::to_string(result.manifest.placesWhenWritten.size()) + "\n files' order: " +
                     describe(result.tally) + "\n past the stop: " + describe(result.pastStop);
  if (result.deviceOrder) {
    text += "\n device's order: " + describe(result.deviceOrder->tally);
    if (result.deviceOrder->firstBadOffset) {
      text += ", first lost on the device at " + std::to_string(*result.deviceOrder->firstBadOffset);
    }
  }
  text += "\n device start: " + std::to_string(result.deviceStart.sectorsInBootArea) + " of the test's sectors";
  for (const auto& place : result.manifest.placesWhenWritten) {
    text += "\n place " + std::to_string(place.position) + " +" + std::to_string(place.length) + " at " +
            std::to_string(place.deviceOffset);
  }
  return text;
}

TEST_P(FakeCapacity, IsFakeWithItsCapacityWithinTwoPercent) {
  TESSORIN_REQUIRE_VOLUMES();
  const Fake& fake = GetParam();
  auto card = CounterfeitCard::make({.claimed = fake.claimed, .real = fake.real, .mode = fake.mode,
                                     .fileSystem = fake.fileSystem, .controllerCacheBytes = fake.cache});
  FullTest::Options options;
  options.fileSize = fake.fileSize;
  BusyHost busy(card->loopDevice());
  const FullTestResult result =
      FullTest(card->mountPoint(), options).run({}, [&busy] { busy.dropCardCache(); }).result();

  EXPECT_EQ(result.verdict(), Verdict::fake) << describe(result);
  const auto capacity = result.realCapacity();
  EXPECT_TRUE(capacity) << describe(result);
  if (capacity) {
    EXPECT_LE(std::abs(static_cast<double>(*capacity) - static_cast<double>(fake.real)),
              0.02 * static_cast<double>(fake.real))
        << *capacity << " shown, " << describe(result);
  }
}

// ext4 puts the test folder's own records past a 4 GiB card's middle, where a fake that
// keeps 2 GiB loses them: once the host lets go of its copy, the folder takes no further
// file. What the test wrote then lies only where the card keeps nothing; the rest of the
// free space must still be written, through what is open, for the size to be measured.
TEST(FakeCapacityWhenTheFolderIsLost, IsMeasuredFromTheWholeFreeSpace) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make(
      {.claimed = 4_GiB, .real = 2_GiB, .mode = Mode::dropFF, .fileSystem = FileSystemKind::ext4});
  BusyHost busy(card->loopDevice());
  // The host lets go of the card's cache once a file is written: the folder is read
  // again from the card before the next one.
  std::uint64_t filesWritten = 0;
  const auto dropAfterEachFile = [&busy, &filesWritten](const FullTest::Progress& progress) {
    if (progress.phase != FullTest::Progress::Phase::writing || progress.bytesDone / 1_GiB == filesWritten) return;
    filesWritten = progress.bytesDone / 1_GiB;
    busy.dropCardCache();
  };
  const FullTestResult result = FullTest(card->mountPoint()).run(dropAfterEachFile).result();

  EXPECT_EQ(result.verdict(), Verdict::fake) << describe(result);
  const auto capacity = result.realCapacity();
  ASSERT_TRUE(capacity) << describe(result);
  EXPECT_LE(std::abs(static_cast<double>(*capacity) - static_cast<double>(2_GiB)), 0.02 * static_cast<double>(2_GiB))
      << *capacity << " shown, " << describe(result);
}

// A file system saves a block of its own records by writing the whole block: on a card
// that wrapped, what it read back of that block is partly the test's data, and its
// journal takes a copy of those few sectors, any distance from where the card put them.
// The size shown is the card's wrap, not that distance. The copy is made on the medium
// itself, between writing and reading back, a few sectors long as a block is.
class FakeCapacityWithSectorsCopiedByTheFileSystem : public ::testing::TestWithParam<FileSystemKind> {};

void copyOnMedium(const std::string& medium, std::uint64_t from, std::uint64_t to, std::size_t length) {
  const int file = ::open(medium.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(file, 0) << medium;
  std::vector<char> bytes(length);
  EXPECT_EQ(::pread(file, bytes.data(), length, static_cast<off_t>(from)), static_cast<ssize_t>(length));
  EXPECT_EQ(::pwrite(file, bytes.data(), length, static_cast<off_t>(to)), static_cast<ssize_t>(length));
  ::close(file);
}

TEST_P(FakeCapacityWithSectorsCopiedByTheFileSystem, IsTheCardsWrap) {
  TESSORIN_REQUIRE_VOLUMES();
  auto card = CounterfeitCard::make({.claimed = 1_GiB, .real = 300_MiB, .mode = Mode::wrap, .fileSystem = GetParam()});
  FullTest::Options options;
  options.fileSize = 256_MiB;
  // Past the file systems' own structures, within the real size: both places hold the
  // test's data by the end of writing.
  const auto copyAFileSystemBlock = [&card] {
    copyOnMedium(card->medium(), 150_MiB, 180_MiB, 4096);
    card->dropHostCaches();
  };
  const FullTestResult result = FullTest(card->mountPoint(), options).run({}, copyAFileSystemBlock).result();

  EXPECT_EQ(result.verdict(), Verdict::fake) << describe(result);
  const auto capacity = result.realCapacity();
  ASSERT_TRUE(capacity) << describe(result);
  EXPECT_LE(std::abs(static_cast<double>(*capacity) - static_cast<double>(300_MiB)), 0.02 * static_cast<double>(300_MiB))
      << *capacity << " shown, " << describe(result);
}

INSTANTIATE_TEST_SUITE_P(FileSystems, FakeCapacityWithSectorsCopiedByTheFileSystem,
                         ::testing::Values(FileSystemKind::exfat, FileSystemKind::ext4),
                         [](const auto& info) { return std::string(info.param == FileSystemKind::exfat ? "exFAT" : "ext4"); });

INSTANTIATE_TEST_SUITE_P(
    Cards, FakeCapacity,
    ::testing::Values(Fake{Mode::wrap, 4_GiB, 1_GiB, 0, FileSystemKind::exfat, 1_GiB},
                      Fake{Mode::wrap, 4_GiB, 1_GiB, 16_MiB, FileSystemKind::exfat, 1_GiB},
                      Fake{Mode::wrap, 2_GiB, 512_MiB, 0, FileSystemKind::exfat, 256_MiB},
                      Fake{Mode::wrap, 1_GiB, 64_MiB, 0, FileSystemKind::exfat, 256_MiB},
                      Fake{Mode::wrap, 2_GiB, 512_MiB, 16_MiB, FileSystemKind::exfat, 256_MiB},
                      Fake{Mode::wrap, 3_GiB, 700_MiB, 0, FileSystemKind::exfat, 256_MiB},
                      Fake{Mode::wrap, 4_GiB, 2_GiB, 64_MiB, FileSystemKind::exfat, 1_GiB},
                      Fake{Mode::wrap, 4_GiB, 2560_MiB, 0, FileSystemKind::exfat, 1_GiB},
                      Fake{Mode::wrap, 4_GiB, 2560_MiB, 16_MiB, FileSystemKind::exfat, 1_GiB},
                      Fake{Mode::wrap, 4_GiB, 1_GiB, 0, FileSystemKind::ext4, 1_GiB},
                      Fake{Mode::wrap, 3_GiB, 700_MiB, 0, FileSystemKind::ext4, 1_GiB},
                      Fake{Mode::wrap, 3_GiB, 700_MiB, 16_MiB, FileSystemKind::ext4, 1_GiB},
                      Fake{Mode::dropZero, 3_GiB, 700_MiB, 0, FileSystemKind::ext4, 1_GiB},
                      Fake{Mode::dropZero, 3_GiB, 700_MiB, 64_MiB, FileSystemKind::ext4, 1_GiB},
                      Fake{Mode::dropFF, 4_GiB, 2_GiB, 128_MiB, FileSystemKind::exfat, 1_GiB},
                      Fake{Mode::dropFF, 4_GiB, 2_GiB, 128_MiB, FileSystemKind::ext4, 1_GiB}),
    [](const auto& info) { return nameOf(info.param); });

}  // namespace
}  // namespace tessorin
