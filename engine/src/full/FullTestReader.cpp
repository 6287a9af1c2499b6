// The advanced test's second phase: read back every written byte and judge each sector.
#include <fcntl.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "pattern/PatternWorker.hpp"
#include "full/ProgressThrottle.hpp"
#include "tessorin/posix/AlignedBuffer.hpp"
#include "pattern/DeviceReads.hpp"
#include "tessorin/full/DeviceOrderTally.hpp"
#include "tessorin/pattern/DeviceStartEvidence.hpp"
#include "tessorin/full/FullTest.hpp"
#include "tessorin/full/TestFileLayout.hpp"
#include "tessorin/posix/DeviceWriteCounter.hpp"
#include "tessorin/posix/FileIdentity.hpp"
#include "tessorin/posix/NotATestFolder.hpp"
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

// Drops whatever the host still holds of the card: a fake passes a read-back from memory.
// Files opened without O_DIRECT drop their own pages; a FUSE volume is also read through
// the host's cache of its device, which only a process that may open the device can
// drop, and which a reinsertion empties. Whether what is read next comes from the card.
bool dropHostCache(const std::optional<VolumeMount>& mount, FullTest::CardSinceWriting since) {
  if (!mount) return true;
  const bool dropped = mount->dropDeviceCache();
  return dropped || since == FullTest::CardSinceWriting::reinserted;
}

// The test folder on the card, opened once and never through a link. Absent when the
// volume or its folder is gone, or the folder is no longer the card's: then nothing of
// the files comes back, unless the file system only failed to find it (below).
// `failure` is then the errno of the attempt. Where the check's claim still holds this
// very folder, its files are known by their identities.
std::optional<OpenFolder> openTestFolder(const fs::path& volume, const std::optional<VolumeMount>& mount,
                                         const TestFolderClaim* claim, int& failure) {
  failure = ENOENT;
  if (!mount) return std::nullopt;
  try {
    OpenFolder folder = OpenFolder::open(TestFolder::path(volume), mount->rootDevice());
    if (claim) {
      const auto identity = FileIdentity::of(folder.fd());
      for (TestFolderClaim::HeldFolder& held : claim->heldFolders()) {
        if (identity && FileIdentity::of(held.fd.get()) == identity) folder.knowMadeFiles(std::move(held.made));
      }
    }
    return folder;
  } catch (const PosixError& error) {
    failure = error.code();
    return std::nullopt;
  }
}

std::optional<std::string> deviceNodeOf(const std::optional<VolumeMount>& mount) {
  return mount ? mount->deviceNode() : std::nullopt;
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
// bad one exactly as they came off the files.
//
// Where the file system's extent map tells where the files lie, no chunk spans two
// places on the device: each is kept as a piece of the device-order tally, its sectors
// are placed on the map by the order of the device, and sectors found where they were
// not written are measured by their distance on the device.
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
    const std::optional<std::uint64_t> deviceBytes = device ? deviceSizeBytes(*device) : std::nullopt;
    const bool readBackReachedCard = dropHostCache(mount, session_.cardSinceWriting);
    TestFolderClaim* const claim = session_.options.testFolderClaim.get();
    folder_ = openTestFolder(session_.volume, mount, claim, folderFailure_);
    try {
      const TestManifest& manifest = session_.manifest;
      if (!manifest.placesWhenWritten.empty()) {
        layout_ = TestFileLayout::fromStretches(manifest.placesWhenWritten, manifest.writtenBytes(), deviceBytes);
        // Where the places are known from the writing, the card's bytes there stand in for
        // the files when the file system can no longer reach them.
        if (layout_ && device) device_ = openDeviceUncached(*device);
      }
      if (!layout_ && folder_) layout_ = TestFileLayout::read(*folder_, manifest, deviceBytes);
      readAll();
    } catch (const NotATestFolder&) {
      // Something put at a test file's name is no evidence of the card's: the test ends
      // saying which, and takes away only its own files.
      folder_.reset();
      device_.reset();
      FullTest::deleteTestFolder(session_.volume, claim);
      throw;
    }
    folder_.reset();
    device_.reset();
    const DeviceStartEvidence deviceStart = lookAtDeviceStart(session_, device);

    meter_.finish(SpeedMeter::now());
    report(FullTest::Progress::Phase::verifying);
    // A stop that came after the last chunk still means the files are not wanted, and
    // the result must not claim they stayed.
    const bool keepFiles = session_.options.keepFiles && !flag_.isCancelled();
    if (!keepFiles) {
      report(FullTest::Progress::Phase::cleaning);
      FullTest::deleteTestFolder(session_.volume, session_.options.testFolderClaim.get());
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
    result.deviceBytes = deviceBytes;
    result.readBackReachedCard = readBackReachedCard;
    if (layout_) {
      result.deviceOrder = DeviceOrderTally::fold(std::move(pieces_), total_ - result.cachedTailBytes());
    }
    return result;
  }

 private:
  // A chunk that was read and may still be in the check (into checking_).
  struct Pending {
    std::uint64_t position = 0;
    std::uint64_t length = 0;
    SectorTally* tally = nullptr;
    const unsigned char* bytes = nullptr;  // what came back, up to missingFrom
    std::uint64_t missingFrom = 0;  // bytes from here to length never came back
  };

  void readAll() {
    AlignedBuffer buffers[2] = {AlignedBuffer(session_.options.chunkSize),
                                AlignedBuffer(session_.options.chunkSize)};
    PatternWorker checker(session_.pattern);  // after the buffers: it finishes with them first
    int current = 0;
    for (const TestManifest::File& entry : session_.manifest.files) {
      std::optional<UncachedFile> file;
      int openFailure = folderFailure_;
      try {
        if (!folder_) throw PosixError("open", TestFolder::path(session_.volume).string(), folderFailure_);
        file.emplace(UncachedFile::openIn(*folder_, entry.name, O_RDONLY));
      } catch (const PosixError& error) {
        openFailure = error.code();
      }
      if (!file && !deviceStandsIn(openFailure)) {
        // Gone (another card in the slot, the folder deleted) or unreachable: nothing of
        // it came back.
        finishPending(checker);
        for (std::uint64_t offset = 0; offset < entry.length;) {
          const std::uint64_t n = pieceLength(entry, offset, entry.length - offset);
          checking_ = SectorTally();
          checking_.recordUnreadable(sectorsIn(n), entry.start + offset);
          record(Pending{entry.start + offset, n, &tallyAt(entry.start), nullptr, 0});
          offset += n;
        }
        continue;
      }
      if (file) file->dropCachedPages();

      const auto chunkSize = static_cast<std::uint64_t>(session_.options.chunkSize);
      for (std::uint64_t offset = 0; offset < entry.length;) {
        if (flag_.isCancelled()) {
          checker.wait();
          file.reset();
          FullTest::deleteTestFolder(session_.volume, session_.options.testFolderClaim.get());
          throw CancelledError();
        }
        const std::uint64_t n = pieceLength(entry, offset, chunkSize);
        const std::optional<std::size_t> got = readPiece(file, entry, offset, n, buffers[current]);
        finishPending(checker);
        checking_ = SectorTally();
        Pending chunk{entry.start + offset, n, &tallyAt(entry.start + offset), buffers[current].bytes(), 0};
        if (got) {
          chunk.missingFrom = *got - *got % sectorSize;
          checker.verify(buffers[current].pointer(), chunk.missingFrom, chunk.position, checking_);
        }
        pending_ = chunk;
        offset += n;
        current = 1 - current;
      }
    }
    finishPending(checker);
  }

  // Reads `n` bytes of the file from `offset` on, or, where the file system cannot reach
  // them, from their place on the device; absent when that failed. What arrived before
  // an error is not trusted either: the whole piece failed, and so did a piece the device
  // returned only in part.
  std::optional<std::size_t> readPiece(std::optional<UncachedFile>& file, const TestManifest::File& entry,
                                       std::uint64_t offset, std::uint64_t n, AlignedBuffer& buffer) {
    if (file) {
      try {
        return file->readAt(buffer.pointer(), n, offset);
      } catch (const PosixError& error) {
        if (!deviceStandsIn(error.code())) return std::nullopt;
      }
    }
    const auto place = layout_->deviceOffset(entry.start + offset);
    if (!place) return std::nullopt;
    if (readDeviceFully(device_.get(), buffer.bytes(), n, *place) != n) return std::nullopt;
    return n;
  }

  // A file system that cannot read its own records has not lost the files' data, only its
  // way to them; a missing file or folder is gone.
  bool deviceStandsIn(int failure) const { return device_ && PosixError::recordsUnreadable(failure); }

  // At most `most` bytes of the file from `offset` on, and no more than lie in one piece
  // on the device where that is known.
  std::uint64_t pieceLength(const TestManifest::File& entry, std::uint64_t offset, std::uint64_t most) const {
    const std::uint64_t n = std::min(most, entry.length - offset);
    return layout_ ? std::min(n, std::max<std::uint64_t>(layout_->bytesInOnePiece(entry.start + offset), sectorSize))
                   : n;
  }

  // Completes the chunk in the check: what never came back, the map, the speed, the report.
  void finishPending(PatternWorker& checker) {
    checker.wait();
    if (!pending_) return;
    const Pending chunk = *pending_;
    pending_.reset();
    if (chunk.missingFrom < chunk.length) {
      checking_.recordUnreadable(sectorsIn(chunk.length - chunk.missingFrom), chunk.position + chunk.missingFrom);
    }
    record(chunk);
    if (meter_.addChunk(chunk.length, chunk.position + chunk.length)) FullTest::sampleSpeed(meter_);
    const double now = SpeedMeter::now();
    if (throttle_.isDue(now)) {
      report(FullTest::Progress::Phase::verifying);
      throttle_.noteReport(now);
    }
  }

  // Adds the chunk's tally, checking_, to the run's, and its sectors to the map.
  void record(const Pending& chunk) {
    appendTally(*chunk.tally, checking_);
    std::uint64_t mapPosition = chunk.position;
    if (layout_) {
      mapPosition = layout_->rank(chunk.position);
      if (chunk.tally == &tally_) addPiece(devicePiece(chunk));
    }
    session_.map.recordChecked(mapPosition, chunk.length, static_cast<std::uint64_t>(checking_.ok),
                               static_cast<std::uint64_t>(checking_.badSectors()));
    checked_ += chunk.length;
  }

  // The chunk as a piece of the device-order tally. Sectors of this test found where they
  // were not written are judged again by how far apart the two places lie on the device:
  // a wrap-around card moves them by its real size there, whatever the files' order.
  DeviceOrderTally::Piece devicePiece(const Pending& chunk) const {
    const std::uint64_t deviceOffset = layout_->deviceOffset(chunk.position).value_or(chunk.position);
    DeviceOrderTally::Piece piece{chunk.position, deviceOffset, layout_->rank(chunk.position), chunk.length, checking_};
    SectorTally& tally = piece.tally;
    if (!chunk.bytes || tally.misplaced + tally.corrupted == 0) return piece;
    tally.corrupted += tally.misplaced;
    tally.misplaced = 0;
    tally.smallestWrapDistance.reset();
    tally.smallestWrapRunDistance.reset();
    tally.wrapRunDistanceDivisor.reset();
    tally.lowestWrapRunSource.reset();
    SectorTally::WrapRun run;
    for (std::uint64_t at = 0; at + sectorSize <= chunk.missingFrom; at += sectorSize) {
      const std::uint64_t position = chunk.position + at;
      const auto source = session_.pattern.writtenPosition(chunk.bytes + at);
      if (!source || *source == position) continue;
      // Content written for a place past what the files hold has no place on the device;
      // its distance in the files tells it was misplaced, but not by how much.
      const auto sourceOffset = layout_->deviceOffset(*source);
      const std::uint64_t from = sourceOffset.value_or(*source);
      const std::uint64_t to = sourceOffset ? deviceOffset + at : position;
      const std::uint64_t distance = from > to ? from - to : to - from;
      if (distance < SectorTally::minimumWrapDistance) continue;
      --tally.corrupted;
      ++tally.misplaced;
      if (!sourceOffset) continue;
      tally.noteWrap(position, *source, distance, &run);
    }
    return piece;
  }

  // A piece that goes on where the last one ended, in the files and on the device, joins
  // it: the pieces are then as many as the stretches of the files, not their chunks.
  void addPiece(DeviceOrderTally::Piece piece) {
    if (!pieces_.empty()) {
      DeviceOrderTally::Piece& last = pieces_.back();
      if (piece.position == last.position + last.length && piece.deviceOffset == last.deviceOffset + last.length) {
        appendTally(last.tally, piece.tally);
        last.length += piece.length;
        return;
      }
    }
    pieces_.push_back(std::move(piece));
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
  SectorTally checking_;  // the chunk in the check
  std::optional<Pending> pending_;
  std::optional<OpenFolder> folder_;
  int folderFailure_ = ENOENT;
  FileDescriptor device_;  // open only where the places are known from the writing
  std::optional<TestFileLayout> layout_;
  std::vector<DeviceOrderTally::Piece> pieces_;
  ProgressThrottle throttle_;
};

}  // namespace

FullTestResult FullTest::readBack(Session& session, const CancellationFlag& flag, const ProgressHandler& progress) {
  return Reader(session, flag, progress).run();
}

}  // namespace tessorin
