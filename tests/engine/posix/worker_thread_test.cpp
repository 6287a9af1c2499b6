#include "tessorin/posix/WorkerThread.hpp"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tessorin/posix/PosixError.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;

TEST(WorkerThread, HandsBackTheValueOnANamedThread) {
  std::atomic<bool> finishedCalled{false};
  auto run = runOnWorkerThread(
      "Tessorin quick probe",
      [](CancellationFlag&) {
        char name[16] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        return std::string(name);
      },
      [&] { finishedCalled = true; });
  EXPECT_EQ(run.result(), "Tsr quick probe");
  EXPECT_EQ(run.name(), "Tessorin quick probe");
  for (int i = 0; i < 100 && !finishedCalled; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(finishedCalled);
}

TEST(WorkerThread, ShortNamesReachTheSystemWhole) {
  EXPECT_EQ(operatingSystemThreadName("Tessorin speed"), "Tessorin speed");
  EXPECT_EQ(operatingSystemThreadName("Tessorin full test"), "Tsr full test");
  EXPECT_LE(operatingSystemThreadName("An unusually long thread name").size(), 15u);
}

TEST(WorkerThread, CancelReachesTheWorkAtItsNextCheckpointNotBefore) {
  std::atomic<bool> insideLongWrite{false};
  std::atomic<bool> releaseWrite{false};
  std::atomic<int> checkpointsAfterRelease{0};
  auto run = runOnWorkerThread("Tessorin speed", [&](CancellationFlag& flag) -> int {
    insideLongWrite = true;
    while (!releaseWrite) std::this_thread::sleep_for(1ms);  // a blocking call in progress
    for (;;) {
      ++checkpointsAfterRelease;
      flag.throwIfCancelled();
    }
  });
  while (!insideLongWrite) std::this_thread::sleep_for(1ms);
  run.cancel();
  // A caller that must outlive a hung card waits with a deadline and gets nothing back.
  EXPECT_EQ(run.result(20ms), std::nullopt) << "cancellation interrupted a call in progress";
  releaseWrite = true;
  EXPECT_THROW(run.result(10s), CancelledError);
  EXPECT_EQ(checkpointsAfterRelease, 1);
}

TEST(WorkerThread, AlreadyCancelledRunStillStartsAndStopsAtFirstCheckpoint) {
  auto flag = std::make_shared<CancellationFlag>();
  flag->cancel();
  std::atomic<bool> started{false};
  auto run = runOnWorkerThread(
      "Tessorin verify",
      [&](CancellationFlag& f) {
        started = true;
        f.throwIfCancelled();
        return 1;
      },
      {}, flag);
  EXPECT_THROW(run.result(), CancelledError);
  EXPECT_TRUE(started);
}

TEST(WorkerThread, ErrorsOfTheWorkPassThroughUnchanged) {
  auto run = runOnWorkerThread("Tessorin full test", [](CancellationFlag&) -> int {
    throw PosixError("open", "/media/card/Tessorin Test/F00001.otr", EACCES);
  });
  try {
    run.result();
    FAIL();
  } catch (const PosixError& error) {
    EXPECT_EQ(error, PosixError("open", "/media/card/Tessorin Test/F00001.otr", EACCES));
  }
}

}  // namespace
}  // namespace tessorin
