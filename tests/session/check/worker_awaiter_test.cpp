#include "session/check/WorkerAwaiter.hpp"

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>


namespace tessorin {
namespace {

using namespace std::chrono_literals;

struct Seen {
  int progressApplied = 0;
  int progressAtResume = -1;
  bool resumedOnMainThread = false;
  bool cancelled = false;
  int value = 0;
};

QCoro::Task<> postManyThenReturn(std::shared_ptr<Seen> seen) {
  auto working = onWorker(std::make_shared<SessionTask>(), "Tessorin test", [seen](CancellationFlag&) {
    for (int i = 0; i < 2000; ++i) postToMainThread([seen] { ++seen->progressApplied; });
    return 7;
  });
  seen->value = co_await working;
  seen->progressAtResume = seen->progressApplied;
  seen->resumedOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
}

TEST(WorkerAwaiter, ResultNeverOvertakesTheProgressPostedBeforeIt) {
  auto seen = std::make_shared<Seen>();
  QCoro::waitFor(postManyThenReturn(seen));
  EXPECT_EQ(seen->value, 7);
  EXPECT_EQ(seen->progressAtResume, 2000);
  EXPECT_TRUE(seen->resumedOnMainThread);
}

QCoro::Task<> awaitUntilCancelled(std::shared_ptr<SessionTask> task, std::shared_ptr<Seen> seen) {
  auto working = onWorker(task, "Tessorin test", [](CancellationFlag& flag) {
    for (;;) {
      flag.throwIfCancelled();
      std::this_thread::sleep_for(1ms);
    }
    return 0;
  });
  try {
    co_await working;
  } catch (const CancelledError&) {
    seen->cancelled = true;
  }
}

TEST(WorkerAwaiter, CancellingTheTaskStopsTheRunningWork) {
  auto task = std::make_shared<SessionTask>();
  auto seen = std::make_shared<Seen>();
  QTimer::singleShot(50ms, [task] { task->cancel(); });
  QCoro::waitFor(awaitUntilCancelled(task, seen));
  EXPECT_TRUE(seen->cancelled);
}

QCoro::Task<> awaitQuickWork(std::shared_ptr<SessionTask> task, std::shared_ptr<std::atomic<bool>> workDone,
                             std::shared_ptr<Seen> seen) {
  auto first = onWorker(task, "Tessorin test", [workDone](CancellationFlag&) {
    *workDone = true;
    return 1;
  });
  auto second = onWorker(task, "Tessorin test", [](CancellationFlag& flag) {
    flag.throwIfCancelled();
    return 10;
  });
  try {
    seen->value = co_await first;
  } catch (const CancelledError&) {
    seen->cancelled = true;
  }
  // A later engine call of the same task must not run as if nothing happened.
  try {
    seen->value += co_await second;
  } catch (const CancelledError&) {
    seen->progressApplied = -1;
  }
}

TEST(WorkerAwaiter, StopBetweenWorkerEndAndResumeStillStopsEveryLaterCall) {
  auto task = std::make_shared<SessionTask>();
  auto workDone = std::make_shared<std::atomic<bool>>(false);
  auto seen = std::make_shared<Seen>();
  QCoro::Task<> running = awaitQuickWork(task, workDone, seen);
  // The worker finishes and posts its completion, but the main thread has not yet
  // turned its event loop: the stop lands in between.
  while (!*workDone) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(20ms);
  task->cancel();
  QCoro::waitFor(std::move(running));
  EXPECT_TRUE(seen->cancelled);
  EXPECT_EQ(seen->value, 0);
  EXPECT_EQ(seen->progressApplied, -1);
}

}  // namespace
}  // namespace tessorin
