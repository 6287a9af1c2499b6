// The advanced test against the card's own limit: on a RAM-backed ext4 volume (an image
// on tmpfs, the fastest "card" there is) the whole test, both phases, is set against a
// plain O_DIRECT sequential write and read of the same bytes with the same chunk size.
// The engine's own work (pattern, checks, syncs, speed samples, progress) may add at
// most a tenth. The peak resident set must stay small whatever the card's size: the test
// streams through one chunk at a time.
//
// Needs root (tmpfs mount, loop device). Prints whether each target is met; exits 1 only
// when the RAM volume does not pass or the memory bound is broken, which no card size
// may ever do.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "LoopVolume.hpp"
#include "RoundFigures.hpp"
#include "TmpfsMount.hpp"
#include "tessorin/posix/AlignedBuffer.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/pattern/TestPattern.hpp"

namespace {

using tessorin::bench::median;
using namespace tessorin;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t MiB = 1ULL << 20;
constexpr std::uint64_t volumeBytes = 2048 * MiB;
constexpr int rounds = 5;
constexpr double timeTarget = 1.1;
constexpr double memoryTargetMiB = 64;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool check(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "bench: %s: %s\n", what, std::strerror(errno));
  return ok;
}

// The same bytes the test writes, as the card's fastest sequential write and read: one
// file, O_DIRECT, one chunk-sized buffer filled once, one sync at the end.
struct PlainTimes {
  double write = 0;
  double read = 0;
};

PlainTimes plainWriteAndRead(const std::string& folder, std::uint64_t bytes, std::int64_t chunkSize) {
  const std::string path = folder + "/plain.bin";
  AlignedBuffer buffer(chunkSize);
  TestPattern(1).fill(buffer.pointer(), static_cast<std::size_t>(chunkSize), 0);
  const auto start = Clock::now();
  PlainTimes times;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_DIRECT | O_CLOEXEC, 0644);
  if (!check(fd >= 0, "open for writing")) return times;
  for (std::uint64_t done = 0; done < bytes; done += static_cast<std::uint64_t>(chunkSize)) {
    const auto n = std::min<std::uint64_t>(static_cast<std::uint64_t>(chunkSize), bytes - done);
    if (!check(::pwrite(fd, buffer.pointer(), n, static_cast<off_t>(done)) == static_cast<ssize_t>(n), "pwrite")) break;
  }
  ::fsync(fd);
  ::close(fd);
  times.write = secondsSince(start);
  const auto readStart = Clock::now();
  fd = ::open(path.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
  if (!check(fd >= 0, "open for reading")) return times;
  for (std::uint64_t done = 0; done < bytes; done += static_cast<std::uint64_t>(chunkSize)) {
    const auto n = std::min<std::uint64_t>(static_cast<std::uint64_t>(chunkSize), bytes - done);
    if (!check(::pread(fd, buffer.pointer(), n, static_cast<off_t>(done)) == static_cast<ssize_t>(n), "pread")) break;
  }
  ::close(fd);
  times.read = secondsSince(readStart);
  ::unlink(path.c_str());
  return times;
}

}  // namespace

int main() {
  const std::string whyNot = tessorin::testing::volumesUnavailableReason();
  if (!whyNot.empty()) {
    std::printf("full_test_bench skipped: %s\n", whyNot.c_str());
    return 0;
  }
  int status = 0;
  {
    std::optional<tessorin::testing::TmpfsMount> ram;
    try {
      ram.emplace(volumeBytes + 64 * MiB);
    } catch (const std::runtime_error& error) {
      std::fprintf(stderr, "bench: %s\n", error.what());
      return 1;
    }
    const std::string image = ram->path() + "/card.img";
    const int fd = ::open(image.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (!check(fd >= 0 && ::ftruncate(fd, static_cast<off_t>(volumeBytes)) == 0, "image")) return 1;
    ::close(fd);
    auto volume = tessorin::testing::LoopVolume::onFile(image, tessorin::testing::FileSystemKind::ext4, "BENCH");

    const FullTest test(volume->mountPoint());
    std::vector<double> full, plain, phases, planning, cleanup, writing, reading, plainWriting, plainReading;
    std::uint64_t written = 0;
    for (int round = 0; round < rounds; ++round) {
      const auto start = Clock::now();
      Clock::time_point firstReport{}, lastCheckReport{};
      const FullTestResult result = test.run([&](const FullTest::Progress& progress) {
                                          if (firstReport == Clock::time_point{}) firstReport = Clock::now();
                                          if (progress.phase == FullTest::Progress::Phase::verifying) {
                                            lastCheckReport = Clock::now();
                                          }
                                        }).result();
      full.push_back(secondsSince(start));
      phases.push_back(result.manifest.writeDuration + result.readDuration);
      writing.push_back(result.manifest.writeDuration);
      reading.push_back(result.readDuration);
      planning.push_back(std::chrono::duration<double>(firstReport - start).count());
      cleanup.push_back(secondsSince(lastCheckReport));
      written = result.manifest.writtenBytes();
      if (result.verdict() != FullTestResult::Verdict::passed) {
        std::fprintf(stderr, "bench: the RAM volume did not pass\n");
        status = 1;
      }
      const PlainTimes times = plainWriteAndRead(volume->mountPoint(), written, test.options.chunkSize);
      plain.push_back(times.write + times.read);
      plainWriting.push_back(times.write);
      plainReading.push_back(times.read);
    }
    const double fullSeconds = median(full);
    const double plainSeconds = median(plain);
    const double ratio = fullSeconds / plainSeconds;
    std::printf("advanced test of %.0f MiB: %.3f s (write and read-back phases %.3f s), %.0f MB/s each way\n",
                static_cast<double>(written) / MiB, fullSeconds, median(phases), 2e-6 * static_cast<double>(written) / fullSeconds);
    std::printf("  of which planning (folder, settled free space) %.3f s, deleting the files %.3f s\n",
                median(planning), median(cleanup));
    std::printf("plain O_DIRECT write and read of the same bytes: %.3f s\n", plainSeconds);
    std::printf("  writing %.3f s against %.3f s plain, reading %.3f s against %.3f s plain\n", median(writing),
                median(plainWriting), median(reading), median(plainReading));
    std::printf("ratio %.3f (target at most %.2f): %s\n", ratio, timeTarget, ratio <= timeTarget ? "met" : "MISSED");
  }

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const double peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  std::printf("peak resident set %.1f MiB (target below %.0f MiB): %s\n", peakMiB, memoryTargetMiB,
              peakMiB < memoryTargetMiB ? "met" : "MISSED");
  if (peakMiB >= memoryTargetMiB) status = 1;
  return status;
}
