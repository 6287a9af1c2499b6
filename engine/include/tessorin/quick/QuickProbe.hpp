#pragma once
// QuickProbe: the quick check of an exFAT card. It reserves the free space as one zone
// file and equally spaced slot files, writes small probes at the slots' starts (a coarse
// stage, then up to four fine passes that close in on where a card stops keeping data),
// reads each back after syncing the card and flushing its cache with filler, measures
// speed in the zone, reads the probes once more and removes its files. Sampling, not
// filling: about a minute on a real card.
//
// `run` works on a worker thread named "Tessorin quick probe" and calls `progress`,
// `partial` and `finePassHook` there; the caller cancels through the returned run. Every
// handler is optional: an empty one (`{}`, or left out) is not called. A
// QuickProbe is a plain value; only the run's CancellationFlag is shared between threads.

#include <filesystem>
#include <functional>
#include <memory>

#include "tessorin/posix/CancellationFlag.hpp"
#include "tessorin/quick/QuickProbeOptions.hpp"
#include "tessorin/zone/QuickProbeProgress.hpp"
#include "tessorin/quick/QuickProbeResult.hpp"
#include "tessorin/pattern/QuickProbeUnsupported.hpp"
#include "tessorin/posix/WorkerThread.hpp"

namespace tessorin {

class QuickProbe {
 public:
  using Options = QuickProbeOptions;
  using Progress = QuickProbeProgress;
  using Unsupported = QuickProbeUnsupported;
  using ProgressHandler = std::function<void(const Progress&)>;
  using PartialHandler = std::function<void(const QuickProbeResult&)>;
  using FinePassHook = std::function<void()>;

  static constexpr const char* threadName = "Tessorin quick probe";

  // Throws std::invalid_argument for options that fail Options::validate.
  explicit QuickProbe(std::filesystem::path volume, Options options = {});

  const std::filesystem::path& volume() const { return volume_; }
  const Options& options() const { return options_; }

  // Starts the check. `partial` receives the provisional results after the coarse stage
  // and after the fine passes; the final result comes from the run's result(), which
  // throws QuickProbeUnsupported (the volume is not exFAT, too full, too slow to reserve
  // space, or its driver writes the space it reserves), CancelledError, PosixError, or std::filesystem::filesystem_error
  // from preparing the test folder (TestFolderNotRemovable when an earlier test's folder
  // cannot be removed; on a card that refuses writes that is a result instead).
  // `finePassHook` is called in each fine pass once its probes are on the card, before
  // its cache flush. No test file is left behind.
  WorkerRun<QuickProbeResult> run(ProgressHandler progress = {}, PartialHandler partial = {},
                                  FinePassHook finePassHook = {}, std::function<void()> onFinished = {},
                                  std::shared_ptr<CancellationFlag> flag = std::make_shared<CancellationFlag>()) const;

  // The whole check on the calling thread.
  static QuickProbeResult runOnThread(const std::filesystem::path& volume, const Options& options,
                                      CancellationFlag& flag, const ProgressHandler& progress,
                                      const PartialHandler& partial, const FinePassHook& finePassHook);

 private:
  std::filesystem::path volume_;
  Options options_;
};

}  // namespace tessorin
