#include "session/records/HistorySaver.hpp"

#include <utility>

#include "tessorin/posix/WorkerThread.hpp"

namespace tessorin {

HistorySaver::HistorySaver(bool fileUnreadable, std::function<void(historyfile::SaveResult)> onSaved)
    : onSaved_(std::move(onSaved)), fileUnreadable_(fileUnreadable), thread_([this] { run(); }) {}

HistorySaver::~HistorySaver() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void HistorySaver::save(historyfile::SaveRequest request) {
  {
    const std::lock_guard lock(mutex_);
    waiting_ = std::move(request);
  }
  changed_.notify_all();
}

void HistorySaver::waitUntilIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !waiting_ && !writing_; });
}

void HistorySaver::run() {
  nameCurrentThread("Tessorin history");
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return waiting_ || stopping_; });
    if (!waiting_) return;
    historyfile::SaveRequest request = std::move(*waiting_);
    waiting_.reset();
    writing_ = true;
    lock.unlock();

    request.fileUnreadable = request.fileUnreadable || fileUnreadable_;
    historyfile::SaveResult result = historyfile::save(request);
    fileUnreadable_ = result.fileUnreadable;
    onSaved_(std::move(result));

    lock.lock();
    writing_ = false;
    changed_.notify_all();
  }
}

}  // namespace tessorin
