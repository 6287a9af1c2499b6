#pragma once
// PatternWorker: threads beside the test's own that fill and check pattern chunks while
// the test's thread waits on the card. Run one after the other, pattern work and I/O add
// up, and on a fast card the test would time the processor as much as the card; side by
// side, the card's time is what the clock sees. Each chunk is split into as many slices
// as there are lanes, so that checking a chunk takes less time than reading the next.
//
// Owned by one test thread, which hands it one job at a time and waits for it before it
// touches the job's buffer or tally again. A checked chunk reaches its tally as if its
// sectors had been recorded one by one in order.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "tessorin/pattern/SectorTally.hpp"
#include "tessorin/pattern/TestPattern.hpp"

namespace tessorin {

class PatternWorker {
 public:
  static constexpr unsigned defaultLanes = 2;

  PatternWorker(const TestPattern& pattern, unsigned lanes = defaultLanes);
  // Finishes the job in hand, then ends the threads.
  ~PatternWorker();
  PatternWorker(const PatternWorker&) = delete;
  PatternWorker& operator=(const PatternWorker&) = delete;

  // Each starts one job on whole sectors and returns at once; the previous job must have
  // been waited for.
  void fill(void* buffer, std::size_t count, std::uint64_t position);
  void verify(const void* buffer, std::size_t count, std::uint64_t position, SectorTally& tally);
  // Returns once the job in hand is done and, for a check, recorded in its tally.
  void wait();

 private:
  struct Job {
    unsigned char* buffer = nullptr;
    std::size_t count = 0;
    std::uint64_t position = 0;
    SectorTally* tally = nullptr;  // null for a fill
  };

  void start(const Job& job);
  void serve(unsigned lane);

  const TestPattern pattern_;
  const unsigned lanes_;
  std::mutex lock_;
  std::condition_variable changed_;
  Job job_;
  std::uint64_t generation_ = 0;  // counts jobs, so that a lane takes each job once
  unsigned busyLanes_ = 0;
  bool stopping_ = false;
  // One per lane, each covering its slice; merged into the job's tally in slice order.
  std::vector<SectorTally> laneTallies_;
  std::vector<std::thread> threads_;
};

// Records `later` into `earlier` as if its sectors had been recorded after those of
// `earlier`, one by one.
void appendTally(SectorTally& earlier, const SectorTally& later);

}  // namespace tessorin
