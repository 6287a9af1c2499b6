#include "zone/ZoneMeasurement.hpp"

#include <fcntl.h>

#include <algorithm>
#include <cstring>

#include "tessorin/posix/PosixError.hpp"
#include "tessorin/pattern/SectorTally.hpp"

namespace tessorin {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double progressInterval = 0.2;
// A live speed over less time than this is mostly noise.
constexpr double shortestSpeedWindow = 0.25;
// Keeps a rate finite when the clock has not moved.
constexpr double shortestDivisor = 1e-6;
constexpr std::uint64_t randomBlockSize = 4096;
// Below this the random phase would hit too few distinct blocks to say anything.
constexpr std::uint64_t smallestRandomZone = 16 << 20;

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

double share(std::uint64_t part, std::uint64_t whole) {
  return whole == 0 ? 0 : static_cast<double>(part) / static_cast<double>(whole);
}

double rate(double amount, double elapsedSeconds) { return amount / std::max(elapsedSeconds, shortestDivisor); }

std::int64_t wholeMiB(std::uint64_t bytes) { return static_cast<std::int64_t>(bytes >> 20); }

std::size_t sectorsIn(std::size_t bytes) { return bytes / TestPattern::sectorSize; }

UncachedFile openZoneFile(const OpenFolder& folder, const std::string& name, const VolumeMount& mount) {
  // A card pulled before this point leaves an empty mount point on the disk below; the
  // zone file must never land there.
  mount.confirmStillMounted();
  return UncachedFile::openIn(folder, name, O_RDWR);
}

std::mt19937_64 seededGenerator() {
  std::random_device source;
  std::seed_seq seeds{source(), source(), source(), source(), source(), source(), source(), source()};
  return std::mt19937_64(seeds);
}

}  // namespace

double ZoneMeasurement::SpeedWindow::bytesPerSecond(Clock::time_point now, std::uint64_t at) const {
  const double elapsed = seconds(now - start);
  return elapsed > shortestSpeedWindow ? static_cast<double>(at - position) / elapsed : 0;
}

ZoneMeasurement::ZoneMeasurement(const OpenFolder& folder, const std::string& name, std::uint64_t zoneBytes,
                                 std::uint64_t session,
                                 const ZoneTest::Options& options, CancellationFlag& flag,
                                 const ZoneTest::ProgressHandler& progress, const VolumeMount& mount)
    : zoneBytes_(zoneBytes),
      options_(options),
      flag_(flag),
      progress_(progress),
      mount_(mount),
      file_(openZoneFile(folder, name, mount)),
      pattern_(session),
      buffers_{AlignedBuffer(options.chunkSize), AlignedBuffer(options.chunkSize)},
      patternWorker_(pattern_),
      random_(seededGenerator()) {}

ZoneResult ZoneMeasurement::run() {
  writeZone();
  readBack();
  measureRandomAccess();
  file_.close();
  return result_;
}

void ZoneMeasurement::writeZone() {
  const Clock::time_point start = Clock::now();
  lastReport_ = start;
  SpeedWindow window{start, 0};
  Segment segment{start, 0, 0};
  std::uint64_t written = 0;
  std::size_t current = 0;
  if (zoneBytes_ > 0) pattern_.fill(buffers_[current].pointer(), chunkAt(0, zoneBytes_), 0);

  while (written < zoneBytes_) {
    flag_.throwIfCancelled();
    const std::size_t count = chunkAt(written, zoneBytes_);
    const std::uint64_t next = written + count;
    if (next < zoneBytes_) patternWorker_.fill(buffers_[1 - current].pointer(), chunkAt(next, zoneBytes_), next);
    try {
      file_.writeAt(buffers_[current].pointer(), count, written);
    } catch (const PosixError& error) {
      // A full volume is where a genuine card's space ends, not a fault of the card.
      result_.writeFailed = !error.isDiskFull();
      patternWorker_.wait();
      break;
    }
    patternWorker_.wait();
    current = 1 - current;
    written = next;
    segment.bytes += count;

    const bool segmentEnded = segment.bytes >= options_.segmentBytes || written >= zoneBytes_;
    if (segmentEnded) {
      if (const auto failure = endWriteSegment(segment, window, written)) {
        result_.writeFailed = !failure->isDiskFull();
        break;
      }
    }
    const Clock::time_point now = Clock::now();
    if (segmentEnded || reportIsDue(now)) {
      const double elapsed = seconds(now - start);
      const double timeShare = written < options_.minimumBytes  ? 0
                               : options_.timeBudget > 0        ? std::min(elapsed / options_.timeBudget, 1.0)
                                                                : 1.0;
      report(now, Step::writing, written, zoneBytes_, window.bytesPerSecond(now, written),
             std::max(share(written, zoneBytes_), timeShare));
      if (segmentEnded && written >= options_.minimumBytes && elapsed >= options_.timeBudget) break;
    }
  }
  // Writing that an error ended leaves a partial segment, which still gets its speed.
  if (segment.bytes > 0) endWriteSegment(segment, window, written);
  result_.bytes = written;
  result_.writeSeconds = seconds(Clock::now() - start);
}

std::optional<PosixError> ZoneMeasurement::endWriteSegment(Segment& segment, SpeedWindow& window,
                                                           std::uint64_t position) {
  // The time is taken once the segment is on the card: a write that only reached the
  // cache says nothing about the card.
  auto failure = syncToCard();
  const Clock::time_point now = Clock::now();
  result_.writeSegments.push_back(rate(static_cast<double>(segment.bytes), seconds(now - segment.start)));
  window = SpeedWindow{segment.start, segment.position};
  segment = Segment{now, position, 0};
  return failure;
}

void ZoneMeasurement::readBack() {
  result_.readBackReachedCard = dropCaches();
  const std::uint64_t end = result_.bytes;
  const Clock::time_point start = Clock::now();
  lastReport_ = start;
  SpeedWindow window{start, 0};
  Segment segment{start, 0, 0};
  std::uint64_t read = 0;
  std::size_t current = 0;
  // The last chunk of a segment is still being checked when the next read starts, so
  // whether a segment's bad sectors stop the read-back is decided one chunk later.
  std::optional<std::uint64_t> undecidedSegmentEnd;

  while (read < end) {
    flag_.throwIfCancelled();
    const std::size_t count = chunkAt(read, end);
    unsigned char* buffer = buffers_[current].bytes();
    std::optional<std::size_t> got;
    try {
      got = file_.readAt(buffer, count, read);
    } catch (const PosixError&) {
      // The whole chunk counts as unreadable below.
    }
    patternWorker_.wait();
    if (undecidedSegmentEnd && readIsMostlyBad()) {
      read = *undecidedSegmentEnd;
      break;
    }
    undecidedSegmentEnd.reset();

    if (!got) {
      result_.tally.recordUnreadable(static_cast<std::int64_t>(sectorsIn(count)), read);
    } else if (*got == count) {
      patternWorker_.verify(buffer, count, read, result_.tally);
    } else {
      // A short read: the tally must see the sectors that came back before the missing
      // ones, so this chunk is checked here, in order.
      const std::size_t whole = sectorsIn(*got) * TestPattern::sectorSize;
      pattern_.verify(buffer, whole, read, result_.tally);
      result_.tally.recordUnreadable(static_cast<std::int64_t>(sectorsIn(count - whole)), read + whole);
    }
    current = 1 - current;
    read += count;
    segment.bytes += count;

    const bool segmentEnded = segment.bytes >= options_.segmentBytes || read >= end;
    const Clock::time_point now = Clock::now();
    if (segmentEnded) {
      result_.readSegments.push_back(rate(static_cast<double>(segment.bytes), seconds(now - segment.start)));
      window = SpeedWindow{segment.start, segment.position};
      segment = Segment{now, read, 0};
      if (read >= options_.segmentBytes) undecidedSegmentEnd = read;
    }
    if (segmentEnded || reportIsDue(now)) {
      report(now, Step::verifying, read, end, window.bytesPerSecond(now, read), share(read, end));
    }
  }
  patternWorker_.wait();
  result_.checkedBytes = read;
  result_.readSeconds = seconds(Clock::now() - start);
  // Reads that failed may be a card that stopped answering on the way.
  if (result_.tally.unreadable > 0) noteWhetherTheCardAnswers();
}

bool ZoneMeasurement::readIsMostlyBad() const { return result_.tally.badSectors() > result_.tally.ok; }

void ZoneMeasurement::measureRandomAccess() {
  // Random rates of a card that lost data would rate a card that cannot be trusted.
  if (result_.tally.badSectors() != 0 || result_.writeFailed || result_.bytes < smallestRandomZone) return;
  const std::uint64_t blocks = result_.bytes / randomBlockSize;
  AlignedBuffer block(randomBlockSize);
  // Reads served from the computer's copy would rate memory, not the card.
  if (dropCaches() && result_.readBackReachedCard) result_.randomReadIOPS = randomReads(block, blocks);
  result_.randomWriteIOPS = randomWrites(block, blocks);
}

template <typename Operation>
std::optional<std::uint64_t> ZoneMeasurement::randomOperations(Clock::time_point start, bool writes,
                                                              Operation operation) {
  lastReport_ = start;
  // Reads fill the first half of the random stage's progress, writes the second.
  const double firstShare = writes ? 0.5 : 0.0;
  std::uint64_t operations = 0;
  for (;;) {
    const Clock::time_point now = Clock::now();
    const double elapsed = seconds(now - start);
    if (elapsed >= options_.randomSeconds) break;
    if (reportIsDue(now)) {
      const double perSecond = rate(static_cast<double>(operations), elapsed);
      report(now, Step::random, 0, 0, perSecond * randomBlockSize,
             firstShare + 0.5 * std::min(elapsed / options_.randomSeconds, 1.0), perSecond, writes);
    }
    flag_.throwIfCancelled();
    try {
      operation();
    } catch (const PosixError&) {
      return std::nullopt;
    }
    ++operations;
  }
  return operations;
}

std::optional<double> ZoneMeasurement::randomReads(AlignedBuffer& block, std::uint64_t blocks) {
  const Clock::time_point start = Clock::now();
  const std::optional<std::uint64_t> operations = randomOperations(start, false, [&] {
    file_.readAt(block.pointer(), randomBlockSize, randomBlock(blocks) * randomBlockSize);
  });
  if (!operations) return std::nullopt;
  return rate(static_cast<double>(*operations), seconds(Clock::now() - start));
}

std::optional<double> ZoneMeasurement::randomWrites(AlignedBuffer& block, std::uint64_t blocks) {
  const Clock::time_point start = Clock::now();
  // Each block gets back the zone's own sectors for its place: the quick check's last
  // read-back finds wrapped probes by the zone data they land on, and a block of foreign
  // bytes there would read as corruption and hide the card's real size.
  const std::optional<std::uint64_t> operations = randomOperations(start, true, [&] {
    const std::uint64_t position = randomBlock(blocks) * randomBlockSize;
    pattern_.fill(block.pointer(), randomBlockSize, position);
    file_.writeAt(block.pointer(), randomBlockSize, position);
  });
  // A card that refuses a random write has failed to be written like one that refuses
  // the sequential ones: the stage is no pass.
  if (!operations) {
    result_.writeFailed = true;
    return std::nullopt;
  }
  // Writes a card merely accepted into its cache are not done: the sync counts in the rate.
  if (const auto failure = syncToCard()) {
    result_.writeFailed = !failure->isDiskFull();
    return std::nullopt;
  }
  return rate(static_cast<double>(*operations), seconds(Clock::now() - start));
}

std::uint64_t ZoneMeasurement::randomBlock(std::uint64_t blocks) {
  return std::uniform_int_distribution<std::uint64_t>(0, blocks - 1)(random_);
}

std::optional<PosixError> ZoneMeasurement::syncToCard() {
  std::optional<PosixError> failure;
  try {
    file_.sync();
  } catch (const PosixError& error) {
    // Writes that went through a cache (the device's, below a FUSE file system, or the
    // file's own when it could not bypass it) report the card's refusal only here.
    failure = error;
  }
  mount_.dropDeviceCache();
  return failure;
}

bool ZoneMeasurement::dropCaches() {
  file_.dropCachedPages();
  const bool dropped = mount_.dropDeviceCache();
  return noteWhetherTheCardAnswers() && dropped;
}

bool ZoneMeasurement::noteWhetherTheCardAnswers() {
  if (mount_.deviceAnswers()) return true;
  result_.cardStoppedAnswering = true;
  result_.readBackReachedCard = false;
  return false;
}

std::size_t ZoneMeasurement::chunkAt(std::uint64_t position, std::uint64_t end) const {
  return static_cast<std::size_t>(std::min(static_cast<std::uint64_t>(options_.chunkSize), end - position));
}

bool ZoneMeasurement::reportIsDue(Clock::time_point now) const { return seconds(now - lastReport_) >= progressInterval; }

void ZoneMeasurement::report(Clock::time_point now, Step step, std::uint64_t completed, std::uint64_t total,
                             double bytesPerSecond, double fraction, double operationsPerSecond, bool randomWrites) {
  lastReport_ = now;
  if (!progress_) return;
  progress_(QuickProbeProgress(QuickProbeProgress::Phase::zone, step, wholeMiB(completed), wholeMiB(total),
                               bytesPerSecond, fraction, operationsPerSecond, randomWrites));
}

}  // namespace tessorin
