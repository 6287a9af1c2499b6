#pragma once
// runOnWorkerThread: runs one blocking test on a dedicated, named operating-system
// thread. The caller gets a WorkerRun: a handle to cancel the run and to collect its
// result. The work polls the run's CancellationFlag at its own checkpoints and throws
// CancelledError once it is set; a system call in progress is never interrupted.
//
// The work's result or exception is handed back unchanged, exactly once. onFinished, if
// given, is called on the worker thread after the result is ready (the application
// posts from there to its main thread); nothing joins the thread.

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

#include "tessorin/posix/CancellationFlag.hpp"

namespace tessorin {

// Linux keeps at most 15 bytes of a thread's name: "Tessorin quick probe" becomes
// "Tsr quick probe". The run keeps its full name.
std::string operatingSystemThreadName(const std::string& runName);
void nameCurrentThread(const std::string& runName);

template <class Result>
class WorkerRun {
 public:
  WorkerRun(std::string name, std::shared_ptr<CancellationFlag> flag, std::shared_future<Result> future)
      : name_(std::move(name)), flag_(std::move(flag)), future_(std::move(future)) {}

  const std::string& name() const { return name_; }
  void cancel() const { flag_->cancel(); }
  const std::shared_ptr<CancellationFlag>& flag() const { return flag_; }
  bool isFinished() const { return future_.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }

  // Blocks until the work has ended; returns its value or rethrows its error.
  Result result() const { return future_.get(); }
  // The same, waiting at most `timeout`: none when the work is still running then (a card
  // that hangs in a system call keeps its worker busy; the run can still be cancelled).
  std::optional<Result> result(std::chrono::steady_clock::duration timeout) const {
    if (future_.wait_for(timeout) != std::future_status::ready) return std::nullopt;
    return future_.get();
  }

 private:
  std::string name_;
  std::shared_ptr<CancellationFlag> flag_;
  std::shared_future<Result> future_;
};

// A flag that is already cancelled still starts the thread; the work then stops at its
// first checkpoint.
template <class Work, class Result = std::invoke_result_t<Work&, CancellationFlag&>>
WorkerRun<Result> runOnWorkerThread(std::string name, Work work, std::function<void()> onFinished = {},
                                    std::shared_ptr<CancellationFlag> flag = std::make_shared<CancellationFlag>()) {
  // A caller that will never cancel may pass no flag; the work still gets one to look at.
  if (!flag) flag = std::make_shared<CancellationFlag>();
  std::promise<Result> promise;
  WorkerRun<Result> run(name, flag, promise.get_future().share());
  std::thread([name, flag, work = std::move(work), promise = std::move(promise),
               onFinished = std::move(onFinished)]() mutable {
    nameCurrentThread(name);
    try {
      promise.set_value(work(*flag));
    } catch (...) {
      promise.set_exception(std::current_exception());
    }
    if (onFinished) onFinished();
  }).detach();
  return run;
}

}  // namespace tessorin
