#pragma once
// ZoneTest: the speed zone test. It writes up to 1 GiB of pattern data into one file of
// the test folder in timed segments, each forced to the card before its time is taken,
// reads it all back past every cache and checks each sector, and, when everything came
// back intact, measures random 4 KiB reads and writes. It stops writing early on slow
// cards once it holds `minimumBytes` and its `timeBudget` is spent.
//
// `run` is the test of its own, on a worker thread named "Tessorin speed"; `measure` is
// the measurement itself, which the quick check calls on its own zone file from its own
// worker thread. Both call the progress handler on the worker thread; an empty handler
// (`{}`, or left out) is not called. A ZoneTest is a plain value; only the run's
// CancellationFlag is shared between threads.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "tessorin/posix/CancellationFlag.hpp"
#include "tessorin/pattern/NotEnoughFreeSpace.hpp"
#include "tessorin/zone/QuickProbeProgress.hpp"
#include "tessorin/posix/OpenFolder.hpp"
#include "tessorin/posix/TestFolderClaim.hpp"
#include "tessorin/posix/VolumeMount.hpp"
#include "tessorin/posix/WorkerThread.hpp"
#include "tessorin/zone/ZoneResult.hpp"

namespace tessorin {

class ZoneTest {
 public:
  struct Options {
    std::uint64_t maximumBytes = std::uint64_t{1} << 30;
    // Written before the time budget may end the writing.
    std::uint64_t minimumBytes = std::uint64_t{256} << 20;
    // Seconds of writing after which the test stops at the next segment end.
    double timeBudget = 45;
    // Bytes per timed, synced segment; a positive multiple of 4096 and of chunkSize.
    std::uint64_t segmentBytes = std::uint64_t{64} << 20;
    // Bytes per write or read call; a positive multiple of 4096, the unit of uncached I/O.
    std::int64_t chunkSize = std::int64_t{8} << 20;
    // Seconds of each random phase, reads then writes.
    double randomSeconds = 4;
    // The running check's folders: one of them found at the test folder's place is removed
    // whatever it holds, and a test folder the card keeps after the clean-up is noted on it.
    // None outside a check.
    std::shared_ptr<TestFolderClaim> testFolderClaim;

    // Throws std::invalid_argument naming the broken rule: a zero chunk would write
    // forever and a zero segment would divide by zero, so nothing is clamped.
    void validate() const;
  };

  using ProgressHandler = std::function<void(const QuickProbeProgress&)>;

  static constexpr const char* threadName = "Tessorin speed";

  // Both throw std::invalid_argument for options that fail Options::validate.
  explicit ZoneTest(std::filesystem::path volume);
  ZoneTest(std::filesystem::path volume, Options options);

  const std::filesystem::path& volume() const { return volume_; }
  Options options;

  // The test of its own on the volume: prepares the test folder, sizes the zone to half
  // the free space in whole segments (at most maximumBytes), measures and removes the
  // folder on every path. The run's result() throws NotEnoughFreeSpace
  // when not even one segment fits, CancelledError, PosixError, or
  // std::filesystem::filesystem_error from preparing the folder.
  WorkerRun<ZoneResult> run(ProgressHandler progress = {}, std::function<void()> onFinished = {},
                            std::shared_ptr<CancellationFlag> flag = std::make_shared<CancellationFlag>()) const;

  // Measures a file `folder` made (OpenFolder::createFile), empty or already sized,
  // writing from offset 0 and never deleting it; any other file at that name throws
  // NotATestFolder, untouched. zoneBytes is a multiple of options.segmentBytes;
  // options.maximumBytes is not used here. mount is the volume's pin from TestFolder::prepare: it is confirmed
  // before the file is opened, and on volumes read through the device cache that cache
  // is dropped after every segment so that the read-back comes from the card.
  // Throws PosixError ("open", or "mount" when the volume is gone), CancelledError and
  // std::invalid_argument for broken options; failed writes and reads end up in the result.
  static ZoneResult measure(const OpenFolder& folder, const std::string& name, std::uint64_t zoneBytes,
                            std::uint64_t session,
                            const Options& options, CancellationFlag& flag, const ProgressHandler& progress,
                            const VolumeMount& mount);

 private:
  static ZoneResult runOnThisThread(const std::filesystem::path& volume, const Options& options,
                                    CancellationFlag& flag, const ProgressHandler& progress);

  std::filesystem::path volume_;
};

}  // namespace tessorin
