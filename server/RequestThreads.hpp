#pragma once
// RequestThreads: the request threads of one door, with the line of jobs (accepted
// connections) that wait for the first free one. Each thread has a stack of the size given
// rather than the process's default (8 MiB), which two doors of many threads would
// otherwise reserve in address space they never use. All threads start in the
// constructor, which throws when one cannot, after stopping those that did.
// The line takes no memory as it moves, only when it grows past its longest yet; when it
// cannot grow (its longest allowed, or no memory for a longer one) a job is refused, and
// the caller, which has nothing to wait on, answers for it at once.
// Thread-safe.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <stdexcept>
#include <vector>

namespace tessorin::server {

class RequestThreads final {
 public:
  // Not all of the threads could be started; says how many did and why the next did not.
  class Unavailable : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  // longestLine: the most jobs that may wait; memory alone bounds it when it is the
  // largest size_t.
  RequestThreads(std::size_t count, std::size_t stackBytes, std::size_t longestLine);
  ~RequestThreads();
  RequestThreads(const RequestThreads&) = delete;
  RequestThreads& operator=(const RequestThreads&) = delete;

  // Takes the job into the line; false, leaving it with the caller, when the line has no
  // room for it or the threads are shutting down.
  bool enqueue(std::function<void()>&& job);
  // Lets the threads finish the jobs in line, then ends them.
  void shutdown();

 private:
  static void* run(void* self);
  void work();
  // With the lock held: a line twice as long, unless that is past the longest or its
  // memory cannot be had.
  bool lengthenLine();

  std::mutex mutex_;
  std::condition_variable ready_;
  // A ring: the jobs waiting, in order, from first_.
  std::vector<std::function<void()>> line_;
  std::size_t first_ = 0;
  std::size_t waiting_ = 0;
  std::size_t longestLine_;
  bool stopping_ = false;
  std::vector<pthread_t> threads_;
};

}  // namespace tessorin::server
