// The advanced test's second phase: read back every written byte and judge each sector.
#include <fcntl.h>

#include <algorithm>
#include <optional>

#include "pattern/PatternWorker.hpp"
#include "full/ProgressThrottle.hpp"
#include "tessorin/posix/AlignedBuffer.hpp"
#include "tessorin/full/DeviceStartEvidence.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/posix/DeviceWriteCounter.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/posix/UncachedFile.hpp"
#include "tessorin/posix/VolumeMount.hpp"

namespace tessorin {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t sectorSize = TestPattern::sectorSize;

std::int64_t sectorsIn(std::uint64_t bytes) { return static_cast<std::int64_t>(bytes / sectorSize); }

std::optional<VolumeMount> pinVolume(const fs::path& volume) {
  try {
    return VolumeMount::pin(volume.string());
  } catch (const PosixError&) {
    return std::nullopt;
  }
}

// The test folder on the card, opened once and never through a link, with whatever the
// host still holds of the card dropped: a fake passes a read-back from memory. Files
// opened without O_DIRECT drop their own pages; a FUSE volume is also read through the
// host's cache of its device. Absent when the volume or its folder is gone, or the folder
// is no longer the card's: then nothing of the files comes back.
std::optional<OpenFolder> openTestFolder(const fs::path& volume, const std::optional<VolumeMount>& mount) {
  if (!mount) return std::nullopt;
  try {
    mount->dropDeviceCache();
    return OpenFolder::open(TestFolder::path(volume), mount->rootDevice());
  } catch (const PosixError&) {
    return std::nullopt;
  }
}

std::optional<std::string> deviceNodeOf(const std::optional<VolumeMount>& mount) {
  if (!mount || !mount->entry().sourceIsDeviceNode()) return std::nullopt;
  return mount->entry().source;
}

// Writing that broke off on an I/O error may have broken the file system on a card that
// wrapped onto its own structures; the wrapped sectors are then found only on the device.
DeviceStartEvidence lookAtDeviceStart(const FullTest::Session& session, const std::optional<std::string>& device) {
  if (!session.manifest.writeStop.isIOError() || !device) return {};
  return scanDeviceStart(*device, session.pattern);
}

// The chunks are read on the run's thread and checked on a second one, side by side: the
// check of one chunk runs while the next is read. Everything a chunk adds to the tally
// is recorded in reading order all the same, so that ok sectors count after the first
// bad one exactly as they came off the card.
class Reader {
 public:
  Reader(FullTest::Session& session, const CancellationFlag& flag, const FullTest::ProgressHandler& progress)
      : session_(session),
        flag_(flag),
        progress_(progress),
        total_(session.manifest.writtenBytes()),
        meter_(FullTest::startSpeedMeter(session.manifest.plannedBytes)) {}

  FullTestResult run() {
    const double started = SpeedMeter::now();
    const std::optional<VolumeMount> mount = pinVolume(session_.volume);
    const std::optional<std::string> device = deviceNodeOf(mount);
    folder_ = openTestFolder(session_.volume, mount);
    readAll();
    folder_.reset();
    const DeviceStartEvidence deviceStart = lookAtDeviceStart(session_, device);

    meter_.finish(SpeedMeter::now());
    report(FullTest::Progress::Phase::verifying);
    // A stop that came after the last chunk still means the files are not wanted, and
    // the result must not claim they stayed.
    const bool keepFiles = session_.options.keepFiles && !flag_.isCancelled();
    if (!keepFiles) {
      report(FullTest::Progress::Phase::cleaning);
      FullTest::deleteTestFolder(session_.volume);
    }

    FullTestResult result;
    result.manifest = session_.manifest;
    result.tally = tally_;
    result.pastStop = pastStop_;
    result.map = session_.map;
    result.readSpeed = FullTest::summariseSpeed(meter_);
    result.readSamples = meter_.samples;
    result.readDuration = SpeedMeter::now() - started;
    result.filesKept = keepFiles;
    result.deviceStart = deviceStart;
    if (device) result.deviceBytes = deviceSizeBytes(*device);
    return result;
  }

 private:
  // A chunk that was read and may still be in the check.
  struct Pending {
    std::uint64_t position = 0;
    std::uint64_t length = 0;
    SectorTally* tally = nullptr;
    std::int64_t okBefore = 0;
    std::int64_t badBefore = 0;
    std::uint64_t missingFrom = 0;  // bytes from here to length never came back
  };

  void readAll() {
    AlignedBuffer buffers[2] = {AlignedBuffer(session_.options.chunkSize),
                                AlignedBuffer(session_.options.chunkSize)};
    PatternWorker checker(session_.pattern);  // after the buffers: it finishes with them first
    int current = 0;
    for (const TestManifest::File& entry : session_.manifest.files) {
      std::optional<UncachedFile> file;
      try {
        if (!folder_) throw PosixError("open", TestFolder::path(session_.volume).string(), ENOENT);
        file.emplace(UncachedFile::openIn(*folder_, entry.name, O_RDONLY));
      } catch (const PosixError&) {
        // Gone (another card in the slot, the folder deleted) or unreachable: nothing of
        // it came back.
        finishPending(checker);
        tallyAt(entry.start).recordUnreadable(sectorsIn(entry.length), entry.start);
        session_.map.recordChecked(entry.start, entry.length, 0, static_cast<std::uint64_t>(sectorsIn(entry.length)));
        checked_ += entry.length;
        continue;
      }
      file->dropCachedPages();

      const auto chunkSize = static_cast<std::uint64_t>(session_.options.chunkSize);
      for (std::uint64_t offset = 0; offset < entry.length;) {
        if (flag_.isCancelled()) {
          checker.wait();
          file.reset();
          FullTest::deleteTestFolder(session_.volume);
          throw CancelledError();
        }
        const std::uint64_t n = std::min(chunkSize, entry.length - offset);
        std::optional<std::size_t> got;
        try {
          got = file->readAt(buffers[current].pointer(), n, offset);
        } catch (const PosixError&) {
          // What arrived before the error is not trusted either: the whole chunk failed.
        }
        finishPending(checker);
        SectorTally& tally = tallyAt(entry.start + offset);
        Pending chunk{entry.start + offset, n, &tally, tally.ok, tally.badSectors(), 0};
        if (got) {
          chunk.missingFrom = *got - *got % sectorSize;
          checker.verify(buffers[current].pointer(), chunk.missingFrom, chunk.position, tally);
        }
        pending_ = chunk;
        offset += n;
        current = 1 - current;
      }
    }
    finishPending(checker);
  }

  // Completes the chunk in the check: what never came back, the map, the speed, the report.
  void finishPending(PatternWorker& checker) {
    checker.wait();
    if (!pending_) return;
    const Pending chunk = *pending_;
    pending_.reset();
    if (chunk.missingFrom < chunk.length) {
      chunk.tally->recordUnreadable(sectorsIn(chunk.length - chunk.missingFrom), chunk.position + chunk.missingFrom);
    }
    session_.map.recordChecked(chunk.position, chunk.length,
                               static_cast<std::uint64_t>(chunk.tally->ok - chunk.okBefore),
                               static_cast<std::uint64_t>(chunk.tally->badSectors() - chunk.badBefore));
    checked_ += chunk.length;
    if (meter_.addChunk(chunk.length, chunk.position + chunk.length)) FullTest::sampleSpeed(meter_);
    const double now = SpeedMeter::now();
    if (throttle_.isDue(now)) {
      report(FullTest::Progress::Phase::verifying);
      throttle_.noteReport(now);
    }
  }

  void report(FullTest::Progress::Phase phase) {
    if (!progress_) {
      meter_.newSamples.clear();
      return;
    }
    FullTest::Progress report;
    report.phase = phase;
    if (phase == FullTest::Progress::Phase::verifying) {
      report.bytesDone = checked_;
      report.bytesTotal = total_;
      report.bytesPerSecond = meter_.lastSpeed;
      report.newSamples = meter_.takeNewSamples();
    }
    report.map = session_.map;
    report.tally = tally_;
    progress_(report);
  }

  // Where writing broke off on an I/O error, whole chunks from there on go to pastStop_.
  SectorTally& tallyAt(std::uint64_t position) {
    const FullTestResult::WriteStop& stop = session_.manifest.writeStop;
    return stop.isIOError() && position >= stop.position ? pastStop_ : tally_;
  }

  FullTest::Session& session_;
  const CancellationFlag& flag_;
  const FullTest::ProgressHandler& progress_;
  std::uint64_t total_;
  std::uint64_t checked_ = 0;
  SpeedMeter meter_;
  SectorTally tally_;
  SectorTally pastStop_;
  std::optional<Pending> pending_;
  std::optional<OpenFolder> folder_;
  ProgressThrottle throttle_;
};

}  // namespace

FullTestResult FullTest::readBack(Session& session, const CancellationFlag& flag, const ProgressHandler& progress) {
  return Reader(session, flag, progress).run();
}

}  // namespace tessorin
