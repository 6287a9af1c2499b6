#pragma once
// ZoneMeasurement: one measurement of a zone file, phase by phase: the timed write in
// synced segments, the uncached read-back with its sector check, and the random 4 KiB
// reads and writes. Lives on the worker thread of its run for the length of one
// ZoneTest::measure call; only the CancellationFlag it polls is shared.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "pattern/PatternWorker.hpp"
#include "tessorin/posix/AlignedBuffer.hpp"
#include "tessorin/posix/CancellationFlag.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/UncachedFile.hpp"
#include "tessorin/zone/ZoneTest.hpp"

namespace tessorin {

class ZoneMeasurement {
 public:
  ZoneMeasurement(const OpenFolder& folder, const std::string& name, std::uint64_t zoneBytes, std::uint64_t session,
                  const ZoneTest::Options& options, CancellationFlag& flag, const ZoneTest::ProgressHandler& progress,
                  const VolumeMount& mount);

  ZoneResult run();

 private:
  using Clock = std::chrono::steady_clock;
  using Step = QuickProbeProgress::Step;

  // The live speed: bytes moved since the start of the last completed segment.
  struct SpeedWindow {
    Clock::time_point start;
    std::uint64_t position = 0;
    double bytesPerSecond(Clock::time_point now, std::uint64_t position) const;
  };

  // Where the current segment began, and how much of it is done.
  struct Segment {
    Clock::time_point start;
    std::uint64_t position = 0;
    std::uint64_t bytes = 0;
  };

  void writeZone();
  // The sync's error, if the card did not take the segment.
  std::optional<PosixError> endWriteSegment(Segment& segment, SpeedWindow& window, std::uint64_t position);
  void readBack();
  bool readIsMostlyBad() const;
  void measureRandomAccess();
  std::optional<double> randomReads(AlignedBuffer& block, std::uint64_t blocks);
  std::optional<double> randomWrites(AlignedBuffer& block, std::uint64_t blocks);
  // Repeats one random 4 KiB operation for the random stage's time, reporting as it goes;
  // how many went through, or nothing once one fails.
  template <typename Operation>
  std::optional<std::uint64_t> randomOperations(Clock::time_point start, bool writes, Operation operation);
  std::uint64_t randomBlock(std::uint64_t blocks);

  std::optional<PosixError> syncToCard();
  // False when the device's cache, which a FUSE volume reads through, is kept, or the
  // card no longer answers: what is read next does not come from the card.
  bool dropCaches();
  // A card that stopped answering is noted, and whatever was read back did not reach it.
  bool noteWhetherTheCardAnswers();
  std::size_t chunkAt(std::uint64_t position, std::uint64_t end) const;
  bool reportIsDue(Clock::time_point now) const;
  void report(Clock::time_point now, Step step, std::uint64_t completed, std::uint64_t total,
              double bytesPerSecond, double fraction, double operationsPerSecond = 0, bool randomWrites = false);

  const std::uint64_t zoneBytes_;
  const ZoneTest::Options options_;
  CancellationFlag& flag_;
  const ZoneTest::ProgressHandler& progress_;
  const VolumeMount& mount_;
  UncachedFile file_;
  const TestPattern pattern_;
  // Two chunk buffers: the card works on one while the pattern worker fills or checks
  // the other.
  std::array<AlignedBuffer, 2> buffers_;
  PatternWorker patternWorker_;
  // Seeded once per run: drawing from the system source for every 4 KiB operation would
  // put a system call into the rate being measured.
  std::mt19937_64 random_;
  Clock::time_point lastReport_;
  ZoneResult result_;
};

}  // namespace tessorin
