#include "session/check/CardSession.hpp"

#include <unistd.h>

#include <exception>
#include <utility>

#include "session/check/Attempt.hpp"
#include "session/check/CardSessionSupport.hpp"
#include "session/check/WorkerAwaiter.hpp"
#include "session/settings/AppSettings.hpp"
#include "session/system/CardFiles.hpp"
#include "session/system/UserAttention.hpp"

namespace tessorin {

namespace fs = std::filesystem;
using Phase = FullTest::Progress::Phase;
using namespace session_support;

FullTest::ProgressHandler CardSession::fullProgressHandler() {
  return [self = QPointer<CardSession>(this)](const FullTest::Progress& progress) {
    postToMainThread([self, progress] {
      if (self) self->applyFullProgress(progress);
    });
  };
}

void CardSession::startAdvancedTest() {
  if (stage_.kind != Stage::Kind::decision || !access_) return;
  auto task = std::make_shared<SessionTask>();
  setTask(task);
  runFullTest(access_->url(), task);
}

QCoro::Task<> CardSession::runFullTest(fs::path url, std::shared_ptr<SessionTask> task) {
  RunningCoroutine running(this);
  // Fresh before the stage says so: what follows the stage must not read the start the
  // quick check left in the figures.
  FullLive fresh;
  fresh.testStarted = fresh.phaseStarted;
  assignAlways(full_, std::move(fresh), &CardSession::fullChanged);
  setStage(Stage::full(Phase::preparing));
  touchProgress();

  FullTest::Options fullOptions = environment_.fullOptions;
  fullOptions.testFolderClaim = testFolderClaim_;
  auto writing = attempt(onRun<TestManifest>(
      task, [url, options = fullOptions, progress = fullProgressHandler()](
                std::function<void()> onFinished, std::shared_ptr<CancellationFlag> flag) {
        return FullTest(url, options).write(progress, std::move(onFinished), std::move(flag));
      }));
  const Attempt<TestManifest> written = co_await writing;
  // Held any longer, the folder would keep the card from being ejected for a reinsertion.
  // The claim itself stays: it notes a folder the card keeps after the read-back's clean-up.
  if (testFolderClaim_) testFolderClaim_->release();
  bool present = true;
  if ((written.failure && !isCancellation(written.failure)) || (written.value && written.value->writeStop.isIOError())) {
    QCoro::Task<bool> asking = cardStillThere(true);
    present = co_await asking;
  }
  if (!afterWriting(written, present)) co_return;

  std::optional<fs::path> readFrom = url;
  auto since = FullTest::CardSinceWriting::stayedIn;
  const bool reinsertionRequired = written.value->deviceCacheKept;
  if (reinsertionRequired || AppSettings(settings_).reinsertBeforeVerify()) {
    const auto wait = std::make_shared<ReinsertWait>(reinsertionRequired);
    QCoro::Task<std::optional<fs::path>> waiting = waitForReinsertion(wait);
    readFrom = co_await waiting;
    if (wait->cardPutBack()) since = FullTest::CardSinceWriting::reinserted;
  }
  if (!readFrom || task->isCancelled()) {
    QCoro::Task<> ending = finishWithoutReadBack();
    co_await ending;
    co_return;
  }

  setStage(Stage::full(Phase::verifying));
  full_.phaseStarted = QDateTime::currentDateTimeUtc();
  Q_EMIT fullChanged();
  touchProgress();
  auto verifying = attempt(onRun<FullTestResult>(
      task, [manifest = *written.value, volume = *readFrom, progress = fullProgressHandler(), claim = testFolderClaim_,
             since](std::function<void()> onFinished, std::shared_ptr<CancellationFlag> flag) {
        return FullTest::verify(manifest, volume, false, progress, std::move(onFinished), std::move(flag), claim,
                                since);
      }));
  const Attempt<FullTestResult> verified = co_await verifying;
  present = true;
  if ((verified.failure && !isCancellation(verified.failure)) ||
      (verified.value && verified.value->verdict() != FullTestResult::Verdict::passed)) {
    QCoro::Task<bool> asking = cardStillThere(true);
    present = co_await asking;
  }
  afterVerifying(verified, present);
}

bool CardSession::afterWriting(const Attempt<TestManifest>& written, bool present) {
  if (written.failure) {
    handleFullTestFailure(written.failure, present);
    return false;
  }
  if (written.value->writeStop.isIOError() && !present) {
    finishAsRemoved();
    return false;
  }
  return true;
}

void CardSession::afterVerifying(const Attempt<FullTestResult>& verified, bool present) {
  if (verified.failure) return handleFullTestFailure(verified.failure, present);
  if (verified.value->verdict() != FullTestResult::Verdict::passed && !present) return finishAsRemoved();
  assignAlways(fullResult_, verified.value, &CardSession::fullResultChanged);
  finish();
}

void CardSession::handleFullTestFailure(std::exception_ptr failure, bool present) {
  try {
    std::rethrow_exception(failure);
  } catch (const CancelledError&) {
    assign(fullStopped_, true, &CardSession::fullStoppedChanged);
    finish();
  } catch (const NotEnoughFreeSpace&) {
    assign(fullStopped_, true, &CardSession::fullStoppedChanged);
    finish();
    setConfirmingErase(true);
  } catch (const TestFolderNotRemovable&) {
    // Left over from the quick check on a fake whose probes wrapped over the card's own
    // directories, or from an earlier check: evidence, not a failure of the test.
    if (!present) return finishAsRemoved();
    finishWithDamagedFileSystem();
  } catch (const std::exception& error) {
    if (!present) return finishAsRemoved();
    reportTestError(error);
  } catch (...) {
    reportTestError(QString(), SystemReason::other);
  }
}

QCoro::Task<std::optional<fs::path>> CardSession::waitForReinsertion(std::shared_ptr<ReinsertWait> wait) {
  RunningCoroutine running(this);
  setStage(Stage::reinsert(false));
  UserAttention::request(UserAttention::Kind::critical);
  assignAlways(reinsertWait_, wait, &CardSession::reinsertWaitChanged);
  const std::optional<fs::path> volume = co_await *wait;
  co_return volume;
}

QCoro::Task<> CardSession::finishWithoutReadBack() {
  RunningCoroutine running(this);
  assign(fullStopped_, true, &CardSession::fullStoppedChanged);
  if (access_) {
    auto removing = attempt(onBackground("Tessorin clean-up", [folder = access_->url(), node = deviceNodeOf(device_),
                                                               uuid = fileSystemUUIDOf(device_),
                                                               claim = testFolderClaim_] {
      try {
        CardFiles::open(folder, node, uuid).removeTestFolder();
      } catch (const TestFolderNotRemovable&) {
        if (claim) claim->noteLeftOnCard();
      } catch (...) {
      }
      return true;
    }));
    co_await removing;
  } else {
    device_.hasLeftoverTestFiles = true;
    Q_EMIT deviceChanged();
  }
  finish();
}

void CardSession::continueAfterReinsert() {
  if (!(stage_.kind == Stage::Kind::reinsert && !stage_.cardOut)) return;
  if (access_) return resumeReinsertion(access_->url());
  withVolumeAccess([this](std::shared_ptr<VolumeAccess> access) { resumeWithAccess(std::move(access)); });
}

void CardSession::resumeReinsertion(std::optional<fs::path> url) {
  if (!reinsertWait_) return;
  std::shared_ptr<ReinsertWait> wait = reinsertWait_;
  assignAlways(reinsertWait_, std::shared_ptr<ReinsertWait>(), &CardSession::reinsertWaitChanged);
  wait->resume(std::move(url));
}

void CardSession::applyFullProgress(const FullTest::Progress& progress) {
  if (stage_.kind != Stage::Kind::full) return;
  if (stage_.phase == Phase::verifying && progress.phase == Phase::writing) return;
  touchProgress();
  if (progress.phase != stage_.phase) {
    setStage(Stage::full(progress.phase));
    full_.phaseStarted = QDateTime::currentDateTimeUtc();
    Q_EMIT fullChanged();
  }
  // The clean-up reports no amounts: the ring and the figures stay where the read-back
  // left them while the card deletes the files, with no speed, since nothing is moved.
  if (progress.phase != Phase::cleaning) {
    full_.bytesDone = progress.bytesDone;
    Q_EMIT fullChanged();
    full_.bytesTotal = progress.bytesTotal;
    Q_EMIT fullChanged();
  }
  full_.bytesPerSecond = progress.bytesPerSecond;
  Q_EMIT fullChanged();
  full_.map = progress.map;
  Q_EMIT fullChanged();
  full_.tally = progress.tally;
  Q_EMIT fullChanged();
  if (progress.phase == Phase::writing) {
    full_.writeSamples.insert(full_.writeSamples.end(), progress.newSamples.begin(), progress.newSamples.end());
    Q_EMIT fullChanged();
  } else if (progress.phase == Phase::verifying) {
    full_.readSamples.insert(full_.readSamples.end(), progress.newSamples.begin(), progress.newSamples.end());
    Q_EMIT fullChanged();
  }
}

}  // namespace tessorin
