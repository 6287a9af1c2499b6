// The advanced test on real volumes that keep what they are given: ext4 through the
// kernel (files opened with O_DIRECT) and exFAT through exfat-fuse.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "Command.hpp"
#include "LoopVolume.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/pattern/NotEnoughFreeSpace.hpp"
#include "tessorin/posix/TestFolder.hpp"

namespace tessorin {
namespace {

namespace fs = std::filesystem;
using testing::FileSystemKind;
using testing::LoopVolume;
using Phase = FullTest::Progress::Phase;
using Verdict = FullTestResult::Verdict;

constexpr std::uint64_t MiB = 1ULL << 20;

// Several files and many chunks on a small volume, in seconds.
FullTest::Options smallFiles(bool keepFiles = false) {
  FullTest::Options options;
  options.fileSize = 48 * MiB;
  options.chunkSize = static_cast<std::int64_t>(MiB);
  options.keepFiles = keepFiles;
  return options;
}

std::string currentThreadName() {
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return name;
}

// Every report the test hands out, and the threads it hands them out on.
struct Reports {
  std::mutex lock;
  std::vector<FullTest::Progress> all;
  std::vector<std::string> threads;

  FullTest::ProgressHandler handler() {
    return [this](const FullTest::Progress& progress) {
      std::lock_guard guard(lock);
      all.push_back(progress);
      threads.push_back(currentThreadName());
    };
  }
  std::size_t samplesIn(Phase phase) const {
    std::size_t count = 0;
    for (const auto& report : all) count += report.phase == phase ? report.newSamples.size() : 0;
    return count;
  }
};

class FullTestOnVolume : public ::testing::TestWithParam<FileSystemKind> {};

TEST_P(FullTestOnVolume, GenuineVolumePassesWithEveryCellGoodAndNoFilesLeft) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 256 * MiB);
  struct statvfs before {};
  ASSERT_EQ(::statvfs(volume->mountPoint().c_str(), &before), 0);

  Reports reports;
  const FullTestResult result = FullTest(volume->mountPoint(), smallFiles()).run(reports.handler()).result();

  EXPECT_EQ(result.verdict(), Verdict::passed);
  EXPECT_EQ(result.realCapacity(), std::nullopt);
  EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
  EXPECT_FALSE(result.filesKept);

  const TestManifest& manifest = result.manifest;
  EXPECT_EQ(manifest.writeStop, FullTestResult::WriteStop::completed());
  EXPECT_EQ(manifest.writtenBytes(), manifest.plannedBytes);
  EXPECT_GT(manifest.plannedBytes, 200 * MiB);
  EXPECT_EQ(manifest.volumeBytes, before.f_blocks * before.f_frsize);
  ASSERT_EQ(manifest.files.size(), (manifest.plannedBytes + 48 * MiB - 1) / (48 * MiB));
  for (std::size_t k = 0; k < manifest.files.size(); ++k) {
    EXPECT_EQ(manifest.files[k].name, TestFolder::numberedFileName('F', static_cast<int>(k)));
    EXPECT_EQ(manifest.files[k].start, k * 48 * MiB);
  }
  EXPECT_EQ(static_cast<std::uint64_t>(result.tally.ok) * 512, manifest.writtenBytes());
  EXPECT_EQ(result.tally.badSectors(), 0);
  for (auto cell : result.map.cells()) EXPECT_EQ(cell, CapacityMap::Cell::good);
  // ext4 shows where its files lie, every byte of them; exfat-fuse shows nothing.
  ASSERT_EQ(result.deviceOrder.has_value(), GetParam() == FileSystemKind::ext4);
  if (result.deviceOrder) {
    EXPECT_EQ(result.deviceOrder->tally, result.tally);
  }
  EXPECT_GT(manifest.writeSpeed.average, 0);
  EXPECT_GT(result.readSpeed.minimum, 0);
  EXPECT_GT(manifest.writeDuration, 0);
  EXPECT_GT(result.readDuration, 0);

  // Writing, then verifying, then cleaning up; every sample reaches a report exactly once.
  ASSERT_GE(reports.all.size(), 4u);
  EXPECT_EQ(reports.all.front().phase, Phase::writing);
  EXPECT_EQ(reports.all.front().bytesDone, 0u);
  EXPECT_EQ(reports.all.back().phase, Phase::cleaning);
  const auto& lastCheck = reports.all[reports.all.size() - 2];
  EXPECT_EQ(lastCheck.phase, Phase::verifying);
  EXPECT_EQ(lastCheck.bytesDone, manifest.writtenBytes());
  EXPECT_EQ(lastCheck.fraction(), 1.0);
  EXPECT_EQ(lastCheck.tally, result.tally);
  EXPECT_EQ(reports.samplesIn(Phase::writing), manifest.writeSamples.size());
  EXPECT_EQ(reports.samplesIn(Phase::verifying), result.readSamples.size());
  for (std::size_t i = 1; i < reports.all.size(); ++i) {
    EXPECT_LE(reports.all[i - 1].phase, reports.all[i].phase);
    if (reports.all[i].phase == reports.all[i - 1].phase) {
      EXPECT_GE(reports.all[i].bytesDone, reports.all[i - 1].bytesDone);
    }
    if (reports.all[i].phase == Phase::writing) {
      EXPECT_EQ(reports.all[i].tally, SectorTally{});
    }
  }
  for (const auto& name : reports.threads) EXPECT_EQ(name, "Tsr full test");
}

TEST_P(FullTestOnVolume, MissingShortAndDamagedFilesCountWhereTheyAre) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 192 * MiB);
  const TestManifest manifest =
      FullTest(volume->mountPoint(), smallFiles(true)).write().result();
  ASSERT_GE(manifest.files.size(), 3u);
  const fs::path folder = TestFolder::path(volume->mountPoint());
  const auto& first = manifest.files[0];
  const auto& shortened = manifest.files[1];
  const auto& missing = manifest.files[2];
  {
    // Every run's pattern is new, so a fixed byte would match what is already there once in
    // 256 runs; the byte's complement always differs.
    std::fstream file(folder / first.name, std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(file);
    file.seekg(5 * 512 + 100);
    const char was = static_cast<char>(file.get());
    file.seekp(5 * 512 + 100);
    file.put(static_cast<char>(~was));
    ASSERT_TRUE(file);
  }
  fs::resize_file(folder / shortened.name, shortened.length - MiB);
  fs::remove(folder / missing.name);
  volume->unmount();
  ASSERT_TRUE(volume->mount());

  Reports reports;
  const FullTestResult result = FullTest::verify(manifest, volume->mountPoint(), false, reports.handler()).result();

  EXPECT_EQ(result.tally.corrupted, 1);
  EXPECT_EQ(result.tally.firstBadPosition, first.start + 5 * 512);
  EXPECT_EQ(result.tally.unreadable, static_cast<std::int64_t>(2048 + missing.length / 512));
  EXPECT_EQ(result.tally.badSectors(), 1 + result.tally.unreadable);
  EXPECT_EQ(result.verdict(), Verdict::damaged);
  EXPECT_EQ(result.realCapacity(), std::nullopt);
  EXPECT_GT(result.map.bad[result.map.cellIndex(shortened.start + shortened.length - 1)], 0u);
  EXPECT_EQ(result.map.cell(result.map.cellIndex(missing.start + missing.length / 2)), CapacityMap::Cell::bad);
  EXPECT_EQ(result.map.cell(result.map.cellIndex(first.start)), CapacityMap::Cell::mixed);
  EXPECT_EQ(result.map.cell(result.map.cellIndex(shortened.start)), CapacityMap::Cell::good);
  EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
  for (const auto& name : reports.threads) EXPECT_EQ(name, "Tessorin verify");
}

TEST_P(FullTestOnVolume, StopAfterTheLastChunkRemovesKeptFilesAndTheResultSaysSo) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 128 * MiB);
  auto flag = std::make_shared<CancellationFlag>();
  auto stopAtTheEnd = [&](const FullTest::Progress& progress) {
    if (progress.phase == Phase::verifying && progress.bytesDone == progress.bytesTotal) flag->cancel();
  };
  const FullTestResult result =
      FullTest(volume->mountPoint(), smallFiles(true)).run(stopAtTheEnd, {}, {}, flag).result();
  EXPECT_FALSE(result.filesKept);
  EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
}

TEST_P(FullTestOnVolume, TooLittleFreeSpaceIsRefusedWithoutLeavingAFolder) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 128 * MiB);
  struct statvfs figures {};
  ASSERT_EQ(::statvfs(volume->mountPoint().c_str(), &figures), 0);
  const std::uint64_t available = figures.f_bavail * figures.f_frsize;
  {
    std::ofstream filler(volume->mountPoint() + "/filler", std::ios::binary);
    const std::string block(MiB, 'x');
    for (std::uint64_t left = available - 10 * MiB; left >= MiB; left -= MiB) filler << block;
  }
  ::sync();

  try {
    FullTest(volume->mountPoint()).write().result();
    ADD_FAILURE() << "the test ran on a full volume";
  } catch (const NotEnoughFreeSpace& refusal) {
    EXPECT_GT(refusal.availableBytes(), 4 * MiB);
    EXPECT_LT(refusal.availableBytes(), 12 * MiB);
  }
  EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
}

TEST_P(FullTestOnVolume, CardUnmountedWhileWritingIsNeverFilledThroughItsEmptyMountPoint) {
  TESSORIN_REQUIRE_VOLUMES();
  auto volume = LoopVolume::create(GetParam(), 192 * MiB);
  const std::string mountPoint = volume->mountPoint();
  std::atomic<bool> pulled{false};
  auto pullTheCard = [&](const FullTest::Progress& progress) {
    if (progress.phase == Phase::writing && progress.bytesDone > 8 * MiB && !pulled.exchange(true)) {
      testing::runChecked({"umount", "-l", mountPoint});
    }
  };
  try {
    FullTest(mountPoint, smallFiles()).run(pullTheCard).result();
    ADD_FAILURE() << "the test went on after the card was gone";
  } catch (const PosixError& error) {
    EXPECT_TRUE(error.isDeviceGone()) << error.what();
  }
  EXPECT_TRUE(pulled);
  EXPECT_TRUE(fs::is_empty(mountPoint)) << "test files landed on the disk below the card";
}

INSTANTIATE_TEST_SUITE_P(FileSystems, FullTestOnVolume, ::testing::Values(FileSystemKind::ext4, FileSystemKind::exfat),
                         [](const auto& info) { return info.param == FileSystemKind::ext4 ? "ext4" : "exfat"; });

// ext4 with hardly any inodes: the card fills up when a file is created, not while one
// is written.
TEST(FullTestOnExt4, CardFullWhenCreatingTheNextFileIsAFullCardNotAnError) {
  TESSORIN_REQUIRE_VOLUMES();
  testing::TemporaryFolder images;
  const std::string image = images.path() + "/few-inodes.img";
  testing::runChecked({"truncate", "-s", std::to_string(128 * MiB), image});
  // Sixteen inodes, five of them free: the folder and four files.
  testing::runChecked({"mkfs.ext4", "-q", "-F", "-b", "4096", "-g", "32768", "-N", "16", "-m", "0", image});
  auto volume = LoopVolume::onFile(image, FileSystemKind::ext4, "FEWINODES", false);

  FullTest::Options options = smallFiles();
  options.fileSize = 8 * MiB;
  const FullTestResult result = FullTest(volume->mountPoint(), options).run().result();

  EXPECT_EQ(result.manifest.writeStop, FullTestResult::WriteStop::diskFull());
  EXPECT_GE(result.manifest.files.size(), 2u);
  EXPECT_LT(result.manifest.writtenBytes(), result.manifest.plannedBytes);
  EXPECT_EQ(static_cast<std::uint64_t>(result.tally.ok) * 512, result.manifest.writtenBytes());
  EXPECT_EQ(result.verdict(), Verdict::passed);
  EXPECT_FALSE(TestFolder::exists(volume->mountPoint()));
}

// A fake that overwrites or loses the file system's own records leaves ext4 unable to
// find the test's files once the host no longer caches those records: the folder's block
// here, zeroed while the volume was away. The files' data is still on the card where ext4
// put it while writing, and is read there; a manifest that does not know those places (one
// read back from text) can only count the files as unreadable.
TEST(FullTestOnExt4, FilesTheFileSystemCanNoLongerFindAreReadWhereTheyWereWritten) {
  TESSORIN_REQUIRE_VOLUMES();
  struct Case {
    const char* name;
    bool placesKnown;
    Verdict verdict;
  };
  for (const Case& c : {Case{"places known from the writing", true, Verdict::passed},
                        Case{"places forgotten", false, Verdict::damaged}}) {
    auto volume = LoopVolume::create(FileSystemKind::ext4, 192 * MiB);
    TestManifest manifest = FullTest(volume->mountPoint(), smallFiles(true)).write().result();
    ASSERT_FALSE(manifest.placesWhenWritten.empty()) << c.name;
    if (!c.placesKnown) manifest.placesWhenWritten.clear();
    struct statvfs figures {};
    ASSERT_EQ(::statvfs(volume->mountPoint().c_str(), &figures), 0);
    const std::string blocks = testing::runChecked(
        {"debugfs", "-R", "blocks \"/" + std::string(TestFolder::name) + "\"", volume->loopDevice()});
    volume->unmount();
    // Its banner comes before the blocks' numbers.
    std::istringstream words(blocks);
    int zeroed = 0;
    for (std::string word; words >> word;) {
      if (word.find_first_not_of("0123456789") != std::string::npos) continue;
      const std::string block = word;
      ++zeroed;
      testing::runChecked({"dd", "if=/dev/zero", "of=" + volume->loopDevice(), "bs=" + std::to_string(figures.f_bsize),
                           "count=1", "seek=" + block, "conv=notrunc", "oflag=direct", "status=none"});
    }
    ASSERT_GT(zeroed, 0) << blocks;
    ASSERT_TRUE(volume->mount()) << c.name;

    const FullTestResult result = FullTest::verify(manifest, volume->mountPoint(), false).result();

    EXPECT_EQ(result.verdict(), c.verdict) << c.name;
    const auto written = static_cast<std::int64_t>(manifest.writtenBytes() / 512);
    EXPECT_EQ(c.placesKnown ? result.tally.ok : result.tally.unreadable, written) << c.name;
  }
}

}  // namespace
}  // namespace tessorin
