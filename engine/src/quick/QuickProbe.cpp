#include "tessorin/quick/QuickProbe.hpp"

#include <algorithm>
#include <functional>
#include <utility>

#include "quick/QuickProbeRun.hpp"
#include "tessorin/pattern/DeviceStartEvidence.hpp"
#include "tessorin/posix/TestFolderNotRemovable.hpp"
#include "tessorin/posix/VolumeMount.hpp"
#include "tessorin/posix/VolumeStats.hpp"
#include "tessorin/zone/ZoneTest.hpp"

namespace tessorin {

namespace fs = std::filesystem;

QuickProbe::QuickProbe(fs::path volume, Options options) : volume_(std::move(volume)), options_(std::move(options)) {
  options_.validate();
}

WorkerRun<QuickProbeResult> QuickProbe::run(ProgressHandler progress, PartialHandler partial,
                                            FinePassHook finePassHook, std::function<void()> onFinished,
                                            std::shared_ptr<CancellationFlag> flag) const {
  return runOnWorkerThread(
      threadName,
      [volume = volume_, options = options_, progress = std::move(progress), partial = std::move(partial),
       finePassHook = std::move(finePassHook)](CancellationFlag& flag) {
        return runOnThread(volume, options, flag, progress, partial, finePassHook);
      },
      std::move(onFinished), std::move(flag));
}

QuickProbeResult QuickProbe::runOnThread(const fs::path& volume, const Options& options, CancellationFlag& flag,
                                         const ProgressHandler& progress, const PartialHandler& partial,
                                         const FinePassHook& finePassHook) {
  options.validate();
  return QuickProbeRun(volume, options, flag, progress, partial, finePassHook).run();
}

QuickProbeRun::QuickProbeRun(fs::path volume, const QuickProbeOptions& options, CancellationFlag& flag,
                             const QuickProbe::ProgressHandler& progress, const QuickProbe::PartialHandler& partial,
                             const QuickProbe::FinePassHook& finePassHook)
    : volume_(std::move(volume)),
      options_(options),
      flag_(flag),
      progress_(progress),
      partial_(partial),
      finePassHook_(finePassHook) {
  std::random_device source;
  std::seed_seq seed{source(), source(), source(), source(), source(), source(), source(), source()};
  random_.seed(seed);
}

QuickProbeResult QuickProbeRun::run() {
  started_ = Clock::now();
  const VolumeStats stats(volume_.string());
  if (stats.fileSystem != options_.fileSystem) throw QuickProbeUnsupported::fileSystem(stats.fileSystem);
  report(Phase::preparing, Step::writing, 0, 0, {});

  try {
    prepared_.emplace(TestFolder::prepare(volume_, options_.testFolderClaim.get()));
  } catch (const PosixError& error) {
    if (!cardRefused(error)) throw;
    noteRefused();
    return refusedResult();
  } catch (const TestFolderNotRemovable& error) {
    // An earlier test's folder that a read-only card keeps: the card refused the first
    // write of this check.
    if (!error.cardRefusesWrites()) throw;
    noteRefused();
    return refusedResult();
  }
  TestFolderClaim* const claim = options_.testFolderClaim.get();
  try {
    QuickProbeResult result = runInFolder();
    lookAtDeviceStart(result);
    report(Phase::cleaning, Step::writing, 0, 0, {});
    TestFolder::removeQuietly(*prepared_, claim);
    result.duration = secondsBetween(started_, Clock::now());
    return result;
  } catch (const PosixError& error) {
    // A card that refuses writes, or whose file system broke so that the check's own
    // files can no longer be made or opened (a fake's wrap over its structures), has
    // stopped taking data: what the check found until then is the verdict's evidence.
    std::optional<QuickProbeResult> result;
    try {
      if (fileSystemBroke(error) || cardRefused(error)) {
        noteRefused();
        readBackWhatIsLeft();
        result = refusedResult();
        lookAtDeviceStart(*result);
      }
    } catch (...) {
      TestFolder::removeQuietly(*prepared_, claim);
      throw;
    }
    // The files of the failed stage are closed by now; an open file would keep the
    // folder from going on a FUSE volume.
    TestFolder::removeQuietly(*prepared_, claim);
    if (!result) throw;
    return *result;
  } catch (...) {
    TestFolder::removeQuietly(*prepared_, claim);
    throw;
  }
}

bool QuickProbeRun::cardRefused(const PosixError& error) const {
  if (error.code() == EROFS) return true;
  if (error.code() != EIO) return false;
  // EIO from a card that is gone is its removal, which the caller tells apart.
  try {
    if (prepared_) {
      prepared_->mount.confirmStillMounted();
    } else {
      VolumeMount::pin(volume_.string()).confirmStillMounted();
    }
    return true;
  } catch (const PosixError&) {
    return false;
  }
}

bool QuickProbeRun::fileSystemBroke(const PosixError& error) const {
  if (!error.isFileSystemDamage()) return false;
  // A card that is gone takes its files with it; the caller tells its removal.
  try {
    prepared_->mount.confirmStillMounted();
    return true;
  } catch (const PosixError&) {
    return false;
  }
}

void QuickProbeRun::lookAtDeviceStart(QuickProbeResult& result) const {
  if (!result.writesRefusedAfter || !engine_) return;
  if (const auto device = prepared_->mount.deviceNode()) result.deviceStart = scanDeviceStart(*device, engine_->pattern);
}

void QuickProbeRun::noteAccepted(std::uint64_t bytes) {
  accepted_ += bytes;
  refusedAfter_.reset();
}

void QuickProbeRun::noteRefused() {
  if (!refusedAfter_) refusedAfter_ = accepted_;
}

QuickProbeResult QuickProbeRun::refusedResult() const {
  QuickProbeResult result;
  if (engine_) {
    result = snapshot(QuickProbeResult::Stage::zone, std::nullopt);
  } else {
    const VolumeStats stats = prepared_ ? prepared_->stats : VolumeStats(volume_.string());
    result.probeSize = options_.probeSize;
    result.usedBytes = stats.usedBytes();
    result.volumeBytes = stats.totalBytes;
    result.completed = QuickProbeResult::Stage::zone;
    result.duration = secondsBetween(started_, Clock::now());
  }
  result.writesRefusedAfter = refusedAfter_;
  return result;
}

QuickProbeResult QuickProbeRun::runInFolder() {
  const ProbeLayout layout = reserveFiles();
  locateTestArea(layout);
  engine_.emplace(layout, options_.probeSize, options_.readPieces, TestPattern(TestPattern::randomSession()));
  probeBuffer_.emplace(options_.probeSize);
  const bool flushing = options_.overwhelmBytes > 0;

  std::vector<std::int64_t> coarse;
  for (std::int64_t slot = 0; slot < slotCount(); slot += static_cast<std::int64_t>(layout.coarseStride)) {
    coarse.push_back(slot);
  }
  writeProbes(coarse, Phase::coarse);
  syncCard();
  if (flushing && !engine_->written.empty()) flushCache(Phase::coarse);
  verifyProbes(Phase::coarse);
  if (partial_) partial_(snapshot(QuickProbeResult::Stage::coarse, std::nullopt));

  constexpr int maximumFinePasses = 4;
  auto slots = engine_->nextFineSlots();
  for (int pass = 0; !slots.empty() && pass < maximumFinePasses; ++pass) {
    writeProbes(slots, Phase::fine);
    syncCard();
    if (finePassHook_) finePassHook_();
    if (flushing && !engine_->written.empty()) flushCache(Phase::fine);
    verifyProbes(Phase::fine);
    slots = engine_->nextFineSlots();
  }
  if (partial_) partial_(snapshot(QuickProbeResult::Stage::fine, std::nullopt));

  const QuickProbe::ProgressHandler zoneProgress = [this](const QuickProbeProgress& progress) {
    if (progress_) progress_(progress);
  };
  ZoneResult zone = ZoneTest::measure(folder(), TestFolder::zoneFileName, layout.zoneBytes, engine_->pattern.session(), options_.zone, flag_,
                                      zoneProgress, prepared_->mount);
  if (zone.writeFailed) {
    noteRefused();
  } else {
    noteAccepted(zone.bytes);
  }
  // Writing the zone has pushed everything else out of the card's cache once more; a
  // zone that came back mostly bad says the card is failing, and reading the probes
  // again would say nothing new.
  const SectorTally& tally = zone.tally;
  if (!zone.writeFailed && 2 * tally.badSectors() <= tally.checkedSectors()) {
    syncCard();
    verifyProbes(std::nullopt);
  }
  return snapshot(QuickProbeResult::Stage::zone, std::move(zone));
}

void QuickProbeRun::report(Phase phase, Step step, std::int64_t completed, std::int64_t total,
                           std::vector<ProbeCell> cells, std::optional<double> fraction) {
  lastReport_ = Clock::now();
  if (!progress_) return;
  QuickProbeProgress progress(phase, step, completed, total, 0, fraction);
  progress.cells = std::move(cells);
  progress_(progress);
}

bool QuickProbeRun::reportIsDue(Clock::time_point now) const { return now - lastReport_ >= std::chrono::milliseconds(100); }

QuickProbeResult QuickProbeRun::snapshot(QuickProbeResult::Stage completed, std::optional<ZoneResult> zone) const {
  QuickProbeResult result;
  result.layout = engine_->layout;
  result.outcomes = engine_->outcomes;
  result.writeSeconds = engine_->writeSeconds;
  result.probeSize = engine_->probeSize;
  result.usedBytes = prepared_->stats.usedBytes();
  result.volumeBytes = prepared_->stats.totalBytes;
  result.wrapDistance = engine_->wrapDistance;
  result.zone = std::move(zone);
  result.completed = completed;
  result.duration = secondsBetween(started_, Clock::now());
  result.lostAfterVerifying = static_cast<std::int64_t>(engine_->lostAfterVerifying.size());
  result.writesRefusedAfter = refusedAfter_;
  result.testAreaInOrder = testAreaInOrder_;
  result.slotsInDeviceOrder = slotsInDeviceOrder_;
  result.readBackReachedCard = readBackReachedCard_;
  return result;
}

std::string QuickProbeRun::slotName(std::int64_t slot) {
  return TestFolder::numberedFileName('Q', static_cast<int>(slot));
}

std::string QuickProbeRun::slotPath(std::int64_t slot) const {
  return (prepared_->folder / TestFolder::numberedFileName('Q', static_cast<int>(slot))).string();
}

double QuickProbeRun::secondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

}  // namespace tessorin
