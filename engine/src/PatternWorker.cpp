#include "PatternWorker.hpp"

#include "tessorin/SectorTally.hpp"
#include "tessorin/WorkerThread.hpp"

namespace tessorin {

PatternWorker::PatternWorker(const TestPattern& pattern) : pattern_(pattern), thread_([this] { serve(); }) {}

PatternWorker::~PatternWorker() {
  {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return !job_; });
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void PatternWorker::fill(void* buffer, std::size_t count, std::uint64_t position) {
  start(Job{buffer, count, position, nullptr});
}

void PatternWorker::verify(const void* buffer, std::size_t count, std::uint64_t position, SectorTally& tally) {
  start(Job{const_cast<void*>(buffer), count, position, &tally});
}

void PatternWorker::start(const Job& job) {
  {
    std::lock_guard guard(lock_);
    job_ = job;
  }
  changed_.notify_all();
}

void PatternWorker::wait() {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [this] { return !job_; });
}

void PatternWorker::serve() {
  nameCurrentThread("Tessorin pattern");
  std::unique_lock guard(lock_);
  for (;;) {
    changed_.wait(guard, [this] { return job_ || stopping_; });
    if (!job_) return;
    const Job job = *job_;
    guard.unlock();
    if (job.tally) {
      pattern_.verify(job.buffer, job.count, job.position, *job.tally);
    } else {
      pattern_.fill(job.buffer, job.count, job.position);
    }
    guard.lock();
    job_.reset();
    changed_.notify_all();
  }
}

}  // namespace tessorin
