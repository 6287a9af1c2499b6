#pragma once
// PatternWorker: a second thread that fills and checks pattern chunks while the test's
// own thread waits on the card. Run one after the other, pattern work and I/O add up,
// and on a fast card the test would measure the processor as much as the card; side by
// side, the card's time is what the clock sees.
//
// Owned by one test thread, which hands it one job at a time and waits for it before it
// touches the job's buffer or tally again. Jobs run in the order they were given, so a
// tally sees its sectors in reading order.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "tessorin/TestPattern.hpp"

namespace tessorin {

struct SectorTally;

class PatternWorker {
 public:
  explicit PatternWorker(const TestPattern& pattern);
  // Finishes the job in hand, then ends the thread.
  ~PatternWorker();
  PatternWorker(const PatternWorker&) = delete;
  PatternWorker& operator=(const PatternWorker&) = delete;

  // Each starts one job and returns at once; the previous job must have been waited for.
  void fill(void* buffer, std::size_t count, std::uint64_t position);
  void verify(const void* buffer, std::size_t count, std::uint64_t position, SectorTally& tally);
  // Returns once no job is in hand.
  void wait();

 private:
  struct Job {
    void* buffer;
    std::size_t count;
    std::uint64_t position;
    SectorTally* tally;  // null for a fill
  };

  void start(const Job& job);
  void serve();

  const TestPattern pattern_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::optional<Job> job_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tessorin
