// The advanced test's first phase: fill the free space with pattern files.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pattern/PatternWorker.hpp"
#include "full/ProgressThrottle.hpp"
#include "tessorin/posix/AlignedBuffer.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/full/TestFileLayout.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/pattern/NotEnoughFreeSpace.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/posix/TestFolderNotRemovable.hpp"
#include "tessorin/posix/UncachedFile.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t minimumReserve = 4'194'304;
constexpr std::uint64_t reserveBlocks = 8;
constexpr std::uint64_t planGranule = 65'536;

void requireValid(const FullTest::Options& options) {
  const auto sector = static_cast<std::int64_t>(TestPattern::sectorSize);
  if (options.fileSize == 0 || options.fileSize % TestPattern::sectorSize != 0) {
    throw std::invalid_argument("the advanced test's file size must be a positive multiple of 512");
  }
  if (options.chunkSize <= 0 || options.chunkSize % sector != 0) {
    throw std::invalid_argument("the advanced test's chunk size must be a positive multiple of 512");
  }
}

// Forces what was written to the card; returns the errno of a failed sync, else 0. Where
// the writes went through a cache (the file's own, or the host's cache of the device
// below a FUSE file system) a card that refuses them says so only here, and a failed
// sync is a failed write.
int syncToCard(UncachedFile& file) {
  const int failure = ::fsync(file.fd()) == 0 ? 0 : errno;
  file.dropCachedPages();
  return failure;
}

class Writer {
 public:
  Writer(const fs::path& volume, const FullTest::Options& options, const CancellationFlag& flag,
         const FullTest::ProgressHandler& progress, TestFolder::Prepared& prepared)
      : volume_(volume),
        options_(options),
        flag_(flag),
        progress_(progress),
        prepared_(prepared),
        pattern_(TestPattern::randomSession()) {}

  FullTest::Session run() {
    const VolumeStats settled = VolumeStats::settled(volume_.string(), 5.0);
    planned_ = FullTest::plannedBytes(settled.availableBytes, prepared_.stats.blockSize);
    if (planned_ < static_cast<std::uint64_t>(options_.chunkSize)) {
      throw NotEnoughFreeSpace(settled.availableBytes);
    }
    map_ = CapacityMap(planned_);
    SpeedMeter meter = FullTest::startSpeedMeter(planned_);
    const double started = SpeedMeter::now();
    report(meter);

    writeAll(meter);

    if (!files_.empty() && files_.back().length == 0) {
      prepared_.files.removeFile(files_.back().name);
      files_.pop_back();
    }
    meter.finish(SpeedMeter::now());
    report(meter);

    TestManifest manifest;
    manifest.session = pattern_.session();
    manifest.files = std::move(files_);
    manifest.plannedBytes = planned_;
    manifest.usedBytesBefore = prepared_.stats.usedBytes();
    manifest.volumeBytes = prepared_.stats.totalBytes;
    manifest.writeStop = stop_;
    manifest.writeSpeed = FullTest::summariseSpeed(meter);
    manifest.writeSamples = meter.samples;
    manifest.writeDuration = SpeedMeter::now() - started;
    manifest.deviceCacheKept = deviceCacheKept_;
    if (places_) manifest.placesWhenWritten = std::move(*places_);
    manifest.writesTakenBelowStop = writesTakenBelowStop_;
    return FullTest::Session(volume_, options_, pattern_, std::move(manifest), map_);
  }

 private:
  // The length of the chunk that starts at a position: chunks never cross a file's end,
  // and every file but the last holds fileSize bytes.
  std::uint64_t chunkAt(std::uint64_t position) const {
    const std::uint64_t fileStart = position - position % options_.fileSize;
    const std::uint64_t fileBytes = std::min(options_.fileSize, planned_ - fileStart);
    return std::min(static_cast<std::uint64_t>(options_.chunkSize), fileBytes - (position - fileStart));
  }

  void writeAll(SpeedMeter& meter) {
    // Two buffers: the pattern of the next chunk is made while this one is written.
    AlignedBuffer buffers[2] = {AlignedBuffer(options_.chunkSize), AlignedBuffer(options_.chunkSize)};
    PatternWorker patternWorker(pattern_);  // after the buffers: it finishes with them first
    pattern_.fill(buffers[0].pointer(), chunkAt(0), 0);
    int current = 0;
    std::optional<UncachedFile> file;
    while (position_ < planned_) {
      const std::uint64_t size = std::min(options_.fileSize, planned_ - position_);
      // An unmounted card leaves its mount point as an empty folder on the disk below;
      // the next file must not land there.
      prepared_.mount.confirmStillMounted();
      if (!openNextFile(file)) return;
      // Where the folder took no new file, this file's worth goes on in the open one.
      const std::uint64_t base = position_ - files_.back().start;
      for (std::uint64_t offset = 0; offset < size;) {
        flag_.throwIfCancelled();
        const std::uint64_t n = std::min(static_cast<std::uint64_t>(options_.chunkSize), size - offset);
        const std::uint64_t next = position_ + n;
        if (next < planned_) patternWorker.fill(buffers[1 - current].pointer(), chunkAt(next), next);
        try {
          file->writeAt(buffers[current].pointer(), n, base + offset);
        } catch (const PosixError& error) {
          patternWorker.wait();
          // What this file took before the failure may still sit in the page cache when
          // the file fell back to buffered I/O; dirty pages survive a drop, so push them
          // out first, or the read-back would judge memory instead of the card. When that
          // fails too, what the card took since the last sync may be in no more than its
          // own cache.
          notePlaces(*file);
          if (const int failure = syncToCard(*file); failure != 0) {
            return stopAtRefusedSync(error.isDiskFull() ? failure : error.code(), *file);
          }
          dropDeviceCache();
          if (error.isDiskFull()) {
            stop_ = FullTestResult::WriteStop::diskFull();
            return;
          }
          stop_ = FullTestResult::WriteStop::ioError(error.code(), position_);
          probeBelowStop(*file);
          return;
        }
        offset += n;
        position_ += n;
        files_.back().length = base + offset;
        map_.markWritten(position_ - n, n);
        if (meter.addChunk(n, position_)) {
          // The sample's time includes the sync: a card that only buffers fast is not fast.
          if (const int failure = syncToCard(*file); failure != 0) {
            patternWorker.wait();
            notePlaces(*file);
            return stopAtRefusedSync(failure, *file);
          }
          synced_ = position_;
          FullTest::sampleSpeed(meter);
        }
        const double now = SpeedMeter::now();
        if (throttle_.isDue(now)) {
          report(meter);
          throttle_.noteReport(now);
        }
        patternWorker.wait();
        current = 1 - current;
      }
      const int failure = syncToCard(*file);
      notePlaces(*file);
      if (failure != 0) return stopAtRefusedSync(failure, *file);
      synced_ = position_;
      // Through a FUSE file system the card is reached via the host's cache of its
      // device; what sits there would read back as if the card had kept it.
      dropDeviceCache();
    }
    stop_ = FullTestResult::WriteStop::completed();
  }

  // Makes the next file and closes the one before; false, with stop_ set, where writing
  // ends there. Once files are written, a card that takes no further file has stopped
  // taking data like a card whose write failed, and those files are the evidence the
  // read-back must judge: full is a full card, and anything else is where writing
  // failed. A card whose file system went read-only has stopped taking data before the
  // first file. But a fake that lost the folder's own records, kept where it keeps
  // nothing, still takes data through the file that is open, and where the file system
  // told where the files lie, the read-back finds them on the device without the folder:
  // the rest of the free space, where the card may keep what it takes, is then written
  // too, or its size could not be measured. A name someone else took meanwhile is no
  // answer of the card's: the test ends there, the file untouched (NotATestFolder).
  bool openNextFile(std::optional<UncachedFile>& file) {
    const std::string name = TestFolder::numberedFileName('F', static_cast<int>(files_.size()));
    try {
      std::optional<UncachedFile> next(UncachedFile::createIn(prepared_.files, name, O_WRONLY));
      file = std::move(next);
    } catch (const PosixError& error) {
      if (files_.empty() && error.code() != EROFS) throw;
      const bool placesKnown = places_ && !places_->empty();
      if (file && placesKnown && PosixError::recordsUnreadable(error.code())) return true;
      stop_ = error.isDiskFull() ? FullTestResult::WriteStop::diskFull()
                                 : FullTestResult::WriteStop::ioError(error.code(), position_);
      return false;
    }
    files_.push_back({name, position_, 0});
    return true;
  }

  // What was written since the last sync that held may never have reached the card:
  // writing stopped where that sync left off, and the read-back looks past it only to
  // tell a card that turned read-only from one that loses data.
  void stopAtRefusedSync(int code, UncachedFile& current) {
    stop_ = FullTestResult::WriteStop::ioError(code, synced_);
    dropDeviceCache();
    probeBelowStop(current);
  }

  // A card that refused a write has turned read-only, or fails only from a place on, as
  // a fake does past its real size. Writing the chunk just below the stop again, the
  // test's own data over itself, and forcing it to the card tells them apart: a card
  // that turned read-only refuses it too. `current` is the file being written.
  void probeBelowStop(UncachedFile& current) {
    const std::uint64_t stop = stop_.position;
    const auto holder = std::find_if(files_.begin(), files_.end(), [stop](const TestManifest::File& file) {
      return file.start < stop && stop <= file.start + file.length;
    });
    if (holder == files_.end()) return;
    const std::uint64_t within = stop - holder->start;
    const std::uint64_t n = std::min(static_cast<std::uint64_t>(options_.chunkSize), within);
    AlignedBuffer buffer(static_cast<std::int64_t>(n));
    pattern_.fill(buffer.pointer(), n, stop - n);
    try {
      // The file being written is reached through its descriptor: a file system whose
      // records the card broke may no longer find it by name.
      std::optional<UncachedFile> earlier;
      if (&*holder != &files_.back()) earlier.emplace(UncachedFile::openIn(prepared_.files, holder->name, O_WRONLY));
      UncachedFile& target = earlier ? *earlier : current;
      target.writeAt(buffer.pointer(), n, within - n);
      writesTakenBelowStop_ = syncToCard(target) == 0;
    } catch (const PosixError&) {
      writesTakenBelowStop_ = false;
    }
    dropDeviceCache();
  }

  // Where the file's bytes went on the device, asked while the file system's records of
  // it are fresh in memory: later, a fake may have overwritten them on the card.
  void notePlaces(const UncachedFile& file) {
    if (!places_) return;
    const TestManifest::File& current = files_.back();
    auto stretches = TestFileLayout::stretchesOf(file.fd(), current);
    if (!stretches) {
      places_.reset();
      return;
    }
    // A file that writing went on in is asked again, whole.
    std::erase_if(*places_, [&current](const DeviceStretch& stretch) { return stretch.position >= current.start; });
    places_->insert(places_->end(), stretches->begin(), stretches->end());
  }

  void dropDeviceCache() {
    if (!prepared_.mount.dropDeviceCache()) deviceCacheKept_ = true;
  }

  void report(SpeedMeter& meter) {
    if (!progress_) {
      meter.newSamples.clear();
      return;
    }
    FullTest::Progress report;
    report.phase = FullTest::Progress::Phase::writing;
    report.bytesDone = position_;
    report.bytesTotal = planned_;
    report.bytesPerSecond = meter.lastSpeed;
    report.newSamples = meter.takeNewSamples();
    report.map = map_;
    progress_(report);
  }

  const fs::path& volume_;
  const FullTest::Options& options_;
  const CancellationFlag& flag_;
  const FullTest::ProgressHandler& progress_;
  TestFolder::Prepared& prepared_;
  TestPattern pattern_;
  std::uint64_t planned_ = 0;
  std::uint64_t position_ = 0;
  std::uint64_t synced_ = 0;  // everything before this was forced to the card
  bool deviceCacheKept_ = false;
  bool writesTakenBelowStop_ = false;
  CapacityMap map_;
  std::vector<TestManifest::File> files_;
  std::optional<std::vector<DeviceStretch>> places_ = std::vector<DeviceStretch>();  // none once a file shows none
  FullTestResult::WriteStop stop_ = FullTestResult::WriteStop::completed();
  ProgressThrottle throttle_;
};

// A card whose file system is read-only before the test takes not even the test folder,
// and one that refuses writes keeps an earlier test's folder: it stopped accepting data
// after nothing, which is a verdict, not an error.
FullTest::Session refusedFromTheStart(const fs::path& volume, const FullTest::Options& options, int code) {
  const VolumeStats stats(volume.string());
  TestManifest manifest;
  const TestPattern pattern(TestPattern::randomSession());
  manifest.session = pattern.session();
  manifest.usedBytesBefore = stats.usedBytes();
  manifest.volumeBytes = stats.totalBytes;
  manifest.writeStop = FullTestResult::WriteStop::ioError(code, 0);
  return FullTest::Session(volume, options, pattern, std::move(manifest), CapacityMap(0));
}

}  // namespace

std::uint64_t FullTest::reserveBytes(std::uint64_t blockSize) {
  return std::max(reserveBlocks * blockSize, minimumReserve);
}

std::uint64_t FullTest::plannedBytes(std::uint64_t availableBytes, std::uint64_t blockSize) {
  const std::uint64_t reserve = reserveBytes(blockSize);
  if (availableBytes <= reserve) return 0;
  return (availableBytes - reserve) / planGranule * planGranule;
}

FullTest::Session FullTest::writeFiles(const fs::path& volume, const Options& options, const CancellationFlag& flag,
                                       const ProgressHandler& progress) {
  requireValid(options);
  std::optional<TestFolder::Prepared> preparedOrNot;
  try {
    preparedOrNot.emplace(TestFolder::prepare(volume, options.testFolderClaim.get()));
  } catch (const PosixError& error) {
    if (error.code() != EROFS) throw;
    return refusedFromTheStart(volume, options, error.code());
  } catch (const TestFolderNotRemovable& error) {
    if (!error.cardRefusesWrites()) throw;
    return refusedFromTheStart(volume, options, error.code().value());
  }
  try {
    return Writer(volume, options, flag, progress, *preparedOrNot).run();
  } catch (...) {
    // The writer's files are closed by now (their owners are gone), so the folder can go.
    TestFolder::removeQuietly(*preparedOrNot, options.testFolderClaim.get());
    throw;
  }
}

}  // namespace tessorin
