#pragma once
// WorkerAwaiter: co_await on blocking work from a main-thread coroutine. The work runs
// on its own named worker thread (runOnWorkerThread); when it ends, the coroutine is
// resumed by a post to the main thread (postToMainThread), behind every progress report
// the work posted, so a report never overtakes the result.
//
// With a SessionTask the work is cancellable: the task's cancel sets the run's
// CancellationFlag, and a task found cancelled when the coroutine resumes throws
// CancelledError in place of the result. Without one (onBackground) the work always runs
// to its end and its result is returned.
//
// Await it (and any task) as a named variable, never as a temporary of the co_await
// expression: g++ 12 destroys such temporaries twice.
//
// The awaiter lives in the suspended coroutine's frame; it is touched on the main thread
// only, except for the completion post, which carries nothing but the coroutine handle.

#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "session/check/MainThreadQueue.hpp"
#include "session/check/SessionTask.hpp"
#include "tessorin/posix/PosixError.hpp"
#include "tessorin/posix/WorkerThread.hpp"

namespace tessorin {

template <class Result>
class WorkerAwaiter {
 public:
  // Starts the run on its own worker thread with the given completion callback and flag:
  // an engine entry point, or runOnWorkerThread.
  using Start = std::function<WorkerRun<Result>(std::function<void()>, std::shared_ptr<CancellationFlag>)>;

  WorkerAwaiter(std::shared_ptr<SessionTask> task, Start start) : task_(std::move(task)), start_(std::move(start)) {}

  bool await_ready() const noexcept { return false; }

  void await_suspend(std::coroutine_handle<> coroutine) {
    auto flag = std::make_shared<CancellationFlag>();
    if (task_) task_->attach(flag);
    // The run starts only now that the coroutine is suspended, so the completion post
    // can never resume a coroutine that is still running.
    run_.emplace(start_([coroutine] { postToMainThread([coroutine] { coroutine.resume(); }); }, flag));
  }

  Result await_resume() {
    if (task_) {
      task_->detach();
      if (task_->isCancelled()) throw CancelledError();
    }
    return run_->result();
  }

 private:
  std::shared_ptr<SessionTask> task_;
  Start start_;
  std::optional<WorkerRun<Result>> run_;
};

// An engine entry point that the task's stop must reach: start(onFinished, flag).
template <class Result>
WorkerAwaiter<Result> onRun(std::shared_ptr<SessionTask> task, typename WorkerAwaiter<Result>::Start start) {
  return WorkerAwaiter<Result>(std::move(task), std::move(start));
}

// Blocking work that the task's stop must reach, on a thread of its own.
template <class Work, class Result = std::invoke_result_t<Work&, CancellationFlag&>>
WorkerAwaiter<Result> onWorker(std::shared_ptr<SessionTask> task, std::string name, Work work) {
  return WorkerAwaiter<Result>(std::move(task), [name = std::move(name), work = std::move(work)](
                                                    std::function<void()> onFinished, std::shared_ptr<CancellationFlag> flag) {
    return runOnWorkerThread(name, work, std::move(onFinished), std::move(flag));
  });
}

// A small blocking job (deleting files, waiting for figures to settle) that always runs
// to its end.
template <class Work, class Result = std::invoke_result_t<Work&>>
WorkerAwaiter<Result> onBackground(std::string name, Work work) {
  return onWorker(nullptr, std::move(name), [work = std::move(work)](CancellationFlag&) mutable { return work(); });
}

}  // namespace tessorin
