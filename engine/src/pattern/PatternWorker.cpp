#include "pattern/PatternWorker.hpp"

#include <algorithm>
#include <numeric>
#include <optional>

#include "tessorin/posix/WorkerThread.hpp"

namespace tessorin {
namespace {

std::optional<std::uint64_t> lowerOf(const std::optional<std::uint64_t>& a, const std::optional<std::uint64_t>& b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

std::optional<std::uint64_t> higherOf(const std::optional<std::uint64_t>& a, const std::optional<std::uint64_t>& b) {
  if (!a) return b;
  if (!b) return a;
  return std::max(*a, *b);
}

}  // namespace

void appendTally(SectorTally& earlier, const SectorTally& later) {
  // Every bad sector sets the first bad position, so a set one means a bad sector came
  // before all of `later`.
  earlier.okAfterFirstBad += earlier.firstBadPosition ? later.ok : later.okAfterFirstBad;
  earlier.ok += later.ok;
  earlier.blank += later.blank;
  earlier.stale += later.stale;
  earlier.misplaced += later.misplaced;
  earlier.corrupted += later.corrupted;
  earlier.unreadable += later.unreadable;
  earlier.firstBadPosition = lowerOf(earlier.firstBadPosition, later.firstBadPosition);
  earlier.smallestWrapDistance = lowerOf(earlier.smallestWrapDistance, later.smallestWrapDistance);
  earlier.smallestWrapRunDistance = lowerOf(earlier.smallestWrapRunDistance, later.smallestWrapRunDistance);
  if (later.wrapRunDistanceDivisor) {
    earlier.wrapRunDistanceDivisor = earlier.wrapRunDistanceDivisor
                                         ? std::gcd(*earlier.wrapRunDistanceDivisor, *later.wrapRunDistanceDivisor)
                                         : later.wrapRunDistanceDivisor;
  }
  earlier.lowestWrapRunSource = lowerOf(earlier.lowestWrapRunSource, later.lowestWrapRunSource);
  earlier.lastBadEnd = higherOf(earlier.lastBadEnd, later.lastBadEnd);
}

PatternWorker::PatternWorker(const TestPattern& pattern, unsigned lanes)
    : pattern_(pattern), lanes_(std::max(lanes, 1u)), laneTallies_(lanes_) {
  threads_.reserve(lanes_);
  try {
    for (unsigned lane = 0; lane < lanes_; ++lane) threads_.emplace_back([this, lane] { serve(lane); });
  } catch (...) {
    {
      std::lock_guard guard(lock_);
      stopping_ = true;
    }
    changed_.notify_all();
    for (auto& thread : threads_) thread.join();
    throw;
  }
}

PatternWorker::~PatternWorker() {
  {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return busyLanes_ == 0; });
    stopping_ = true;
  }
  changed_.notify_all();
  for (auto& thread : threads_) thread.join();
}

void PatternWorker::fill(void* buffer, std::size_t count, std::uint64_t position) {
  start(Job{static_cast<unsigned char*>(buffer), count, position, nullptr});
}

void PatternWorker::verify(const void* buffer, std::size_t count, std::uint64_t position, SectorTally& tally) {
  // The lanes only read a buffer they check.
  start(Job{static_cast<unsigned char*>(const_cast<void*>(buffer)), count, position, &tally});
}

void PatternWorker::start(const Job& job) {
  {
    std::lock_guard guard(lock_);
    job_ = job;
    ++generation_;
    busyLanes_ = lanes_;
  }
  changed_.notify_all();
}

void PatternWorker::wait() {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [this] { return busyLanes_ == 0; });
  if (!job_.tally) return;
  for (SectorTally& laneTally : laneTallies_) {
    appendTally(*job_.tally, laneTally);
    laneTally = SectorTally();
  }
  job_.tally = nullptr;
}

void PatternWorker::serve(unsigned lane) {
  nameCurrentThread("Tessorin pattern");
  std::uint64_t served = 0;
  std::unique_lock guard(lock_);
  for (;;) {
    changed_.wait(guard, [&] { return generation_ != served || stopping_; });
    if (stopping_) return;
    served = generation_;
    const Job job = job_;
    guard.unlock();

    const std::size_t sectors = job.count / TestPattern::sectorSize;
    const std::size_t perLane = (sectors + lanes_ - 1) / lanes_;
    const std::size_t first = std::min(sectors, perLane * lane);
    const std::size_t last = std::min(sectors, first + perLane);
    const std::size_t offset = first * TestPattern::sectorSize;
    const std::size_t bytes = (last - first) * TestPattern::sectorSize;
    if (bytes > 0) {
      if (job.tally) {
        pattern_.verify(job.buffer + offset, bytes, job.position + offset, laneTallies_[lane]);
      } else {
        pattern_.fill(job.buffer + offset, bytes, job.position + offset);
      }
    }

    guard.lock();
    if (--busyLanes_ == 0) changed_.notify_all();
  }
}

}  // namespace tessorin
