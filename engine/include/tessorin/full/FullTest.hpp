#pragma once
// FullTest: the advanced test of one mounted volume. Writing fills every free byte with
// pattern files of `fileSize` bytes in the test folder; the read-back checks every
// sector of them and judges the card (FullTestResult).
//
// The two phases are separate calls so that the card can be taken out and put back in
// between (which clears the temporary memory some fakes use to pass a read-back):
// `write` returns the TestManifest, the only state carried over; `verify` rebuilds the
// rest from it, also under a new mount point. `run` does both on one thread.
//
// Threads: each entry point runs its phase on its own named worker thread and returns at
// once with the run's handle. Every handler is optional: an empty one (`{}`, or left out)
// is not called. Progress reports, `betweenPhases` and `onFinished` are
// called on that worker thread; the caller moves what it needs to its own thread. The
// run's CancellationFlag is polled before every chunk; a cancelled run throws
// CancelledError and leaves no test files behind.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "tessorin/posix/CancellationFlag.hpp"
#include "tessorin/posix/TestFolderClaim.hpp"
#include "tessorin/full/CapacityMap.hpp"
#include "tessorin/full/FullTestResult.hpp"
#include "tessorin/pattern/SectorTally.hpp"
#include "tessorin/full/SpeedMeter.hpp"
#include "tessorin/full/SpeedSample.hpp"
#include "tessorin/full/SpeedSummary.hpp"
#include "tessorin/full/TestManifest.hpp"
#include "tessorin/pattern/NotEnoughFreeSpace.hpp"
#include "tessorin/pattern/TestPattern.hpp"
#include "tessorin/posix/WorkerThread.hpp"

namespace tessorin {

class FullTest {
 public:
  static constexpr const char* writeThreadName = "Tessorin full test";
  static constexpr const char* verifyThreadName = "Tessorin verify";

  struct Options {
    // The last file is shorter. Positive and a multiple of 512.
    std::uint64_t fileSize = 1'073'741'824;
    // Bytes per write call and size of the one I/O buffer. Positive and a multiple of 512.
    std::int64_t chunkSize = 8'388'608;
    // Leave the files on the card after a read-back that was not cancelled.
    bool keepFiles = false;
    // The running check's folders: one of them found at the test folder's place is removed
    // whatever it holds, and a test folder the card keeps after the clean-up is noted on it.
    // None outside a check.
    std::shared_ptr<TestFolderClaim> testFolderClaim;
  };

  struct Progress {
    enum class Phase { preparing, writing, verifying, cleaning };

    Phase phase = Phase::preparing;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;  // planned bytes while writing, written bytes while verifying
    double bytesPerSecond = 0;     // of the latest speed sample
    std::vector<SpeedSample> newSamples;  // only those since the previous report
    CapacityMap map;
    SectorTally tally;             // all zero while writing

    double fraction() const {
      return bytesTotal == 0 ? 0 : static_cast<double>(bytesDone) / static_cast<double>(bytesTotal);
    }
  };

  using ProgressHandler = std::function<void(const Progress&)>;

  // Whether the card was taken out and put back between writing and the read-back. That
  // empties every cache between the program and the card, the host's cache of its device
  // included, which an ordinary user cannot drop (TestManifest::deviceCacheKept).
  enum class CardSinceWriting { stayedIn, reinserted };

  // What the write phase hands to the read-back on the worker thread.
  struct Session {
    std::filesystem::path volume;
    Options options;
    TestPattern pattern;
    TestManifest manifest;
    CapacityMap map;
    CardSinceWriting cardSinceWriting = CardSinceWriting::stayedIn;

    Session(std::filesystem::path volume, Options options, TestPattern pattern, TestManifest manifest,
            CapacityMap map);
    // A read-back of a manifest alone: the write's options are not in the manifest, so
    // the default chunk size is used, and the map is rebuilt from the files. Throws
    // std::invalid_argument for a manifest without a session number.
    Session(const TestManifest& manifest, std::filesystem::path volume, bool keepFiles);
  };

  std::filesystem::path volume;
  Options options;

  // With the default options.
  explicit FullTest(std::filesystem::path volume);
  FullTest(std::filesystem::path volume, Options options);

  // Writes, then returns the manifest. Errors: those of TestFolder::prepare and
  // VolumeStats, NotEnoughFreeSpace, PosixError ("open", or
  // "mount" when the card went away), CancelledError. A failed write is no error: it ends
  // writing and is recorded as the manifest's write stop.
  WorkerRun<TestManifest> write(ProgressHandler progress = {}, std::function<void()> onFinished = {},
                                std::shared_ptr<CancellationFlag> flag = std::make_shared<CancellationFlag>()) const;

  // Reads back the files of a manifest on the volume (which may be mounted elsewhere by
  // now). Throws CancelledError, and NotATestFolder when something else stands at a test
  // file's name (a FIFO, a device, a link, or, while `claim` still holds the folder, a
  // file the test did not make): whatever cannot be read counts as unreadable. A
  // test folder the card keeps after the clean-up is noted on `claim`, when given. A
  // read-back that may have been served by a cache the host kept of the card is never
  // passed (FullTestResult::readBackReachedCard) unless `since` says the card was
  // reinserted.
  static WorkerRun<FullTestResult> verify(TestManifest manifest, std::filesystem::path volume, bool keepFiles,
                                          ProgressHandler progress = {}, std::function<void()> onFinished = {},
                                          std::shared_ptr<CancellationFlag> flag =
                                              std::make_shared<CancellationFlag>(),
                                          std::shared_ptr<TestFolderClaim> claim = {},
                                          CardSinceWriting since = CardSinceWriting::stayedIn);

  // Both phases on one thread, with `betweenPhases` (if given) called on it in between;
  // the read-back keeps the write's options, keepFiles included, and takes the card to
  // have stayed in.
  WorkerRun<FullTestResult> run(ProgressHandler progress = {}, std::function<void()> betweenPhases = {},
                                std::function<void()> onFinished = {},
                                std::shared_ptr<CancellationFlag> flag = std::make_shared<CancellationFlag>()) const;

  // The phases themselves, for the worker thread.
  static Session writeFiles(const std::filesystem::path& volume, const Options& options, const CancellationFlag& flag,
                            const ProgressHandler& progress);
  static FullTestResult readBack(Session& session, const CancellationFlag& flag, const ProgressHandler& progress);
  // Deletes the test folder the test made (TestFolder::removeQuietly: the folder `claim`
  // holds, or an earlier test's leftovers, never a user's folder of that name); errors
  // are ignored, and a folder that stays on the card is noted on `claim`.
  static void deleteTestFolder(const std::filesystem::path& volume, TestFolderClaim* claim = nullptr) noexcept;

  // Free space the test leaves to the file system: eight blocks, at least 4 MiB.
  static std::uint64_t reserveBytes(std::uint64_t blockSize);
  // What the test writes of the available bytes: all but the reserve, in whole 64 KiB.
  static std::uint64_t plannedBytes(std::uint64_t availableBytes, std::uint64_t blockSize);

  static SpeedMeter startSpeedMeter(std::uint64_t plannedBytes) { return SpeedMeter(plannedBytes, SpeedMeter::now()); }
  static void sampleSpeed(SpeedMeter& meter) { meter.closeInterval(SpeedMeter::now()); }
  static SpeedSummary summariseSpeed(const SpeedMeter& meter) { return meter.summary(SpeedMeter::now()); }
};

}  // namespace tessorin
