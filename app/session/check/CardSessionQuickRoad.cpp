#include "session/check/CardSession.hpp"

#include <unistd.h>

#include <exception>
#include <utility>

#include "session/check/Attempt.hpp"
#include "session/check/CardSessionSupport.hpp"
#include "session/check/WorkerAwaiter.hpp"
#include "session/settings/ReaderBestRead.hpp"
#include "session/system/CardFiles.hpp"
#include "session/system/UserAttention.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

namespace fs = std::filesystem;
using Phase = FullTest::Progress::Phase;
using namespace session_support;

namespace {

// Why the quick check cannot run here, when that is what stopped it.
std::optional<QuickProbe::Unsupported> unsupportedReason(const std::exception_ptr& failure) {
  if (!failure) return std::nullopt;
  try {
    std::rethrow_exception(failure);
  } catch (const QuickProbe::Unsupported& reason) {
    return reason;
  } catch (...) {
    return std::nullopt;
  }
}

bool isUnsupported(const std::exception_ptr& failure) { return unsupportedReason(failure).has_value(); }

}  // namespace

QuickProbe::ProgressHandler CardSession::probeProgressHandler() {
  return [self = QPointer<CardSession>(this)](const QuickProbeProgress& progress) {
    postToMainThread([self, progress] {
      if (self) self->applyProbeProgress(progress);
    });
  };
}

QuickProbe::PartialHandler CardSession::partialQuickResultHandler() {
  return [self = QPointer<CardSession>(this)](const QuickProbeResult& result) {
    postToMainThread([self, result] {
      if (self) self->applyPartialQuickResult(result);
    });
  };
}

QCoro::Task<> CardSession::runQuickCheck(fs::path url, std::shared_ptr<SessionTask> task) {
  RunningCoroutine running(this);
  setStage(Stage::quick(QuickProbeProgress{}));
  touchProgress();

  testFolderClaim_ = std::make_shared<TestFolderClaim>();
  const bool hadLeftovers = device_.hasLeftoverTestFiles;
  Attempt<std::optional<VolumeStats>> cleaned;
  if (hadLeftovers) {
    auto cleaning = attempt(onBackground("Tessorin clean-up", [url, node = deviceNodeOf(device_),
                                                              uuid = fileSystemUUIDOf(device_),
                                                              claim = testFolderClaim_] {
      try {
        CardFiles::open(url, node, uuid).removeTestFolder();
      } catch (const TestFolderNotRemovable&) {
        // Where the folder still shows, the test's own preparation tries again; where it
        // shows gone, only this knows that the card kept it.
        claim->noteLeftOnCard();
      } catch (...) {
        // The test's own preparation removes the folder again.
      }
      return settledStats(url);
    }));
    cleaned = co_await cleaning;
    if (cleaned.value && *cleaned.value) device_.volume = **cleaned.value;
    device_.hasLeftoverTestFiles = false;
    Q_EMIT deviceChanged();
  }
  if (task->isCancelled()) {
    finish();
    co_return;
  }

  const bool exFAT = device_.volume.fileSystem == "exfat";
  QuickProbe::Options quickOptions = environment_.quickOptions;
  quickOptions.testFolderClaim = testFolderClaim_;
  ZoneTest::Options zoneOptions = environment_.zoneOptions;
  zoneOptions.testFolderClaim = testFolderClaim_;
  Attempt<QuickProbeResult> probed;
  Attempt<ZoneResult> measured;
  bool zoneAlone = !exFAT;
  if (exFAT) {
    auto probing = attempt(onRun<QuickProbeResult>(
        task, [url, options = quickOptions, progress = probeProgressHandler(),
               partial = partialQuickResultHandler()](std::function<void()> onFinished,
                                                      std::shared_ptr<CancellationFlag> flag) {
          return QuickProbe(url, options).run(progress, partial, {}, std::move(onFinished), std::move(flag));
        }));
    probed = co_await probing;
    // The probes refused before writing (a driver that writes out what they set aside):
    // the card's speed is still measured, as the start panel promised.
    if (const auto reason = unsupportedReason(probed.failure)) {
      setQuickSkipped(*reason);
      zoneAlone = true;
    }
  } else {
    setQuickSkipped(QuickProbe::Unsupported::fileSystem(device_.volume.fileSystem));
  }
  if (zoneAlone) {
    auto measuring = attempt(onRun<ZoneResult>(
        task, [url, options = zoneOptions, progress = probeProgressHandler()](
                  std::function<void()> onFinished, std::shared_ptr<CancellationFlag> flag) {
          return ZoneTest(url, options).run(progress, std::move(onFinished), std::move(flag));
        }));
    measured = co_await measuring;
  }
  if (testFolderClaim_) testFolderClaim_->forgetRemoved();
  // Results that a pulled card would also give are trusted only while the card is there.
  const std::exception_ptr failure = zoneAlone ? measured.failure : probed.failure;
  bool suspicious = failure && !isUnsupported(failure);
  if (!zoneAlone && probed.value) {
    const QuickProbeResult::Verdict verdict = probed.value->verdict();
    suspicious = verdict == QuickProbeResult::Verdict::fake || verdict == QuickProbeResult::Verdict::damaged;
  }
  if (zoneAlone && measured.value) suspicious = !measured.value->isClean();
  bool present = true;
  if (suspicious) {
    QCoro::Task<bool> asking = cardStillThere(!isCancellation(failure));
    present = co_await asking;
  }
  const bool goOn = zoneAlone ? afterZoneTest(measured, present) : afterQuickProbe(probed, present);
  if (goOn) {
    QCoro::Task<> advancedTest = runFullTest(url, task);
    co_await advancedTest;
  }
}

bool CardSession::afterQuickProbe(const Attempt<QuickProbeResult>& probed, bool present) {
  try {
    if (probed.failure) std::rethrow_exception(probed.failure);
    const QuickProbeResult& result = *probed.value;
    const QuickProbeResult::Verdict verdict = result.verdict();
    const bool judged = verdict == QuickProbeResult::Verdict::fake || verdict == QuickProbeResult::Verdict::damaged;
    // A card pulled out reads back as failed probes: only a card still there is judged.
    if (judged && !present) {
      assign(quickResult_, std::optional<QuickProbeResult>(), &CardSession::quickResultChanged);
      finishAsRemoved();
      return false;
    }
    applyPartialQuickResult(result);
    if (!judged) return true;
    setStage(Stage::decision());
    setTask(nullptr);
    UserAttention::request(UserAttention::Kind::informational);
    return false;
  } catch (const QuickProbe::Unsupported& reason) {
    setQuickSkipped(reason);
    return true;
  } catch (const CancelledError&) {
    // A vanishing card's failed reads may have arrived as a partial verdict before the
    // rescan's stop: that is the pull, not the card.
    if (cardRemoved_ || !present) {
      const bool judged = quickResult_ && (quickResult_->verdict() == QuickProbeResult::Verdict::fake ||
                                           quickResult_->verdict() == QuickProbeResult::Verdict::damaged);
      if (judged) assign(quickResult_, std::optional<QuickProbeResult>(), &CardSession::quickResultChanged);
      finishAsRemoved();
    } else {
      finish();
    }
  } catch (const TestFolderNotRemovable&) {
    if (present) {
      finishWithDamagedFileSystem();
    } else {
      finishAsRemoved();
    }
  } catch (const std::exception& error) {
    if (!present) {
      assign(quickResult_, std::optional<QuickProbeResult>(), &CardSession::quickResultChanged);
      finishAsRemoved();
    } else {
      reportTestError(error);
    }
  } catch (...) {
    reportTestError(QString(), SystemReason::other);
  }
  return false;
}

bool CardSession::afterZoneTest(const Attempt<ZoneResult>& measured, bool present) {
  try {
    if (measured.failure) std::rethrow_exception(measured.failure);
    if (!measured.value->isClean() && !present) {
      finishAsRemoved();
      return false;
    }
    setZoneResult(measured.value);
    ReaderBestRead(settings_).recordZoneRead(device_, *measured.value);
    return true;
  } catch (const CancelledError&) {
    finish();
    return false;
  } catch (...) {
    // A failed measurement is not reported, unless the card itself has gone.
    if (present) return true;
    finishAsRemoved();
    return false;
  }
}

void CardSession::applyProbeProgress(const QuickProbeProgress& progress) {
  if (stage_.kind != Stage::Kind::quick) return;
  setStage(Stage::quick(progress));
  touchProgress();
  if (!progress.cells.empty()) assign(liveProbes_, progress.cells, &CardSession::liveProbesChanged);
  if (progress.phase == QuickProbeProgress::Phase::zone && progress.bytesPerSecond > 0) {
    const SpeedSample sample{static_cast<std::uint64_t>(progress.completed) * 1'048'576, progress.bytesPerSecond};
    if (progress.step == QuickProbeProgress::Step::writing) {
      zoneTrace_.write.push_back(sample);
      Q_EMIT zoneTraceChanged();
    } else if (progress.step == QuickProbeProgress::Step::verifying) {
      zoneTrace_.read.push_back(sample);
      Q_EMIT zoneTraceChanged();
    }
  }
}

void CardSession::applyPartialQuickResult(const QuickProbeResult& result) {
  if (quickResult_ && quickResult_->completed > result.completed) return;
  assign(quickResult_, std::optional<QuickProbeResult>(result), &CardSession::quickResultChanged);
  if (result.zone) ReaderBestRead(settings_).recordZoneRead(device_, *result.zone);
}

}  // namespace tessorin
