#include "tessorin/full/FullTest.hpp"

#include <stdexcept>

#include "tessorin/posix/TestFolder.hpp"

namespace tessorin {

namespace fs = std::filesystem;

namespace {

TestPattern patternOf(const TestManifest& manifest) {
  if (manifest.session == 0) throw std::invalid_argument("a test manifest without a session number");
  return TestPattern(manifest.session);
}

CapacityMap writtenMapOf(const TestManifest& manifest) {
  CapacityMap map(manifest.plannedBytes);
  for (const TestManifest::File& file : manifest.files) map.markWritten(file.start, file.length);
  return map;
}

}  // namespace

FullTest::Session::Session(fs::path volume, Options options, TestPattern pattern, TestManifest manifest,
                           CapacityMap map)
    : volume(std::move(volume)),
      options(options),
      pattern(pattern),
      manifest(std::move(manifest)),
      map(std::move(map)) {}

FullTest::Session::Session(const TestManifest& manifest, fs::path volume, bool keepFiles)
    : volume(std::move(volume)),
      options(Options{.fileSize = Options{}.fileSize, .chunkSize = Options{}.chunkSize, .keepFiles = keepFiles, .testFolderClaim = {}}),
      pattern(patternOf(manifest)),
      manifest(manifest),
      map(writtenMapOf(manifest)) {}

FullTest::FullTest(fs::path volume) : FullTest(std::move(volume), Options{}) {}

FullTest::FullTest(fs::path volume, Options options) : volume(std::move(volume)), options(options) {}

void FullTest::deleteTestFolder(const fs::path& volume, TestFolderClaim* claim) noexcept {
  TestFolder::removeQuietly(volume, claim);
}

WorkerRun<TestManifest> FullTest::write(ProgressHandler progress, std::function<void()> onFinished,
                                        std::shared_ptr<CancellationFlag> flag) const {
  return runOnWorkerThread(
      writeThreadName,
      [volume = volume, options = options, progress = std::move(progress)](CancellationFlag& flag) {
        return writeFiles(volume, options, flag, progress).manifest;
      },
      std::move(onFinished), std::move(flag));
}

WorkerRun<FullTestResult> FullTest::verify(TestManifest manifest, fs::path volume, bool keepFiles,
                                           ProgressHandler progress, std::function<void()> onFinished,
                                           std::shared_ptr<CancellationFlag> flag,
                                           std::shared_ptr<TestFolderClaim> claim, CardSinceWriting since) {
  return runOnWorkerThread(
      verifyThreadName,
      [manifest = std::move(manifest), volume = std::move(volume), keepFiles, progress = std::move(progress),
       claim = std::move(claim), since](CancellationFlag& flag) {
        Session session(manifest, volume, keepFiles);
        session.options.testFolderClaim = claim;
        session.cardSinceWriting = since;
        return readBack(session, flag, progress);
      },
      std::move(onFinished), std::move(flag));
}

WorkerRun<FullTestResult> FullTest::run(ProgressHandler progress, std::function<void()> betweenPhases,
                                        std::function<void()> onFinished,
                                        std::shared_ptr<CancellationFlag> flag) const {
  return runOnWorkerThread(
      writeThreadName,
      [volume = volume, options = options, progress = std::move(progress),
       betweenPhases = std::move(betweenPhases)](CancellationFlag& flag) {
        Session session = writeFiles(volume, options, flag, progress);
        if (betweenPhases) {
          try {
            betweenPhases();
          } catch (...) {
            deleteTestFolder(volume, options.testFolderClaim.get());
            throw;
          }
        }
        return readBack(session, flag, progress);
      },
      std::move(onFinished), std::move(flag));
}

}  // namespace tessorin
