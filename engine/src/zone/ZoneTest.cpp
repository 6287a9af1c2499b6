#include "tessorin/zone/ZoneTest.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "zone/ZoneMeasurement.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/pattern/NotEnoughFreeSpace.hpp"
#include "tessorin/posix/TestFolder.hpp"
#include "tessorin/pattern/TestPattern.hpp"
#include "tessorin/posix/UncachedFile.hpp"

namespace tessorin {

void ZoneTest::Options::validate() const {
  constexpr std::uint64_t unit = UncachedFile::alignment;
  if (chunkSize <= 0 || static_cast<std::uint64_t>(chunkSize) % unit != 0) {
    throw std::invalid_argument("ZoneTest::Options: chunkSize must be a positive multiple of 4096");
  }
  if (segmentBytes == 0 || segmentBytes % unit != 0) {
    throw std::invalid_argument("ZoneTest::Options: segmentBytes must be a positive multiple of 4096");
  }
  if (segmentBytes % static_cast<std::uint64_t>(chunkSize) != 0) {
    throw std::invalid_argument("ZoneTest::Options: segmentBytes must be a multiple of chunkSize");
  }
}

ZoneTest::ZoneTest(std::filesystem::path volume) : ZoneTest(std::move(volume), Options()) {}

ZoneTest::ZoneTest(std::filesystem::path volume, Options options) : options(options), volume_(std::move(volume)) {
  this->options.validate();
}

WorkerRun<ZoneResult> ZoneTest::run(ProgressHandler progress, std::function<void()> onFinished,
                                    std::shared_ptr<CancellationFlag> flag) const {
  return runOnWorkerThread(
      threadName,
      [volume = volume_, options = options, progress = std::move(progress)](CancellationFlag& flag) {
        return runOnThisThread(volume, options, flag, progress);
      },
      std::move(onFinished), std::move(flag));
}

ZoneResult ZoneTest::runOnThisThread(const std::filesystem::path& volume, const Options& options,
                                     CancellationFlag& flag, const ProgressHandler& progress) {
  // The options are public and may have changed since the test was made.
  options.validate();
  const TestFolder::Prepared prepared = TestFolder::prepare(volume, options.testFolderClaim.get());
  try {
    const std::uint64_t available = prepared.stats.availableBytes;
    // Half the free space at most, so that the test never fills a card that is in use.
    const std::uint64_t zoneBytes =
        std::min(available / 2, options.maximumBytes) / options.segmentBytes * options.segmentBytes;
    if (zoneBytes < options.segmentBytes) throw NotEnoughFreeSpace(available);

    prepared.files.createFile(TestFolder::zoneFileName);
    ZoneResult result = measure(prepared.files, TestFolder::zoneFileName, zoneBytes, TestPattern::randomSession(),
                                options, flag, progress, prepared.mount);
    if (progress) progress(QuickProbeProgress(QuickProbeProgress::Phase::cleaning, QuickProbeProgress::Step::writing, 0, 0));
    TestFolder::removeQuietly(prepared, options.testFolderClaim.get());
    return result;
  } catch (...) {
    TestFolder::removeQuietly(prepared, options.testFolderClaim.get());
    throw;
  }
}

ZoneResult ZoneTest::measure(const OpenFolder& folder, const std::string& name, std::uint64_t zoneBytes,
                             std::uint64_t session,
                             const Options& options, CancellationFlag& flag, const ProgressHandler& progress,
                             const VolumeMount& mount) {
  options.validate();
  if (zoneBytes % options.segmentBytes != 0) {
    throw std::invalid_argument("ZoneTest::measure: the zone must be a whole number of segments");
  }
  return ZoneMeasurement(folder, name, zoneBytes, session, options, flag, progress, mount).run();
}

}  // namespace tessorin
