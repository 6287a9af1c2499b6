#pragma once
// RequestThreads: the request threads of one door, as the HTTP library's task queue: the
// connections it accepts wait in line for the first free thread. Each thread has a stack
// of the size given rather than the process's default (8 MiB), which two doors of many
// threads would otherwise reserve in address space they never use. All threads start in
// the constructor, which throws when one cannot, after stopping those that did; the
// library calls enqueue from its accepting thread and shutdown once, at its end.
// The line of waiting connections takes no memory as it moves, only when it grows past its
// longest yet: the accepting thread has nothing to catch a failed allocation with.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <stdexcept>
#include <vector>

#include <httplib.h>

namespace tessorin::server {

class RequestThreads final : public httplib::TaskQueue {
 public:
  // Not all of the threads could be started; says how many did and why the next did not.
  class Unavailable : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  RequestThreads(std::size_t count, std::size_t stackBytes);
  ~RequestThreads() override;
  RequestThreads(const RequestThreads&) = delete;
  RequestThreads& operator=(const RequestThreads&) = delete;

  // A job that finds no room in the line and no memory to lengthen it runs on the calling
  // thread: a connection that is never served would stay open for good.
  void enqueue(std::function<void()> job) override;
  // Lets the threads finish the jobs in line, then ends them.
  void shutdown() override;

 private:
  static void* run(void* self);
  void work();
  // With the lock held: a line twice as long, unless its memory cannot be had.
  bool lengthenLine();

  std::mutex mutex_;
  std::condition_variable ready_;
  // A ring: the jobs waiting, in order, from first_.
  std::vector<std::function<void()>> line_;
  std::size_t first_ = 0;
  std::size_t waiting_ = 0;
  bool stopping_ = false;
  std::vector<pthread_t> threads_;
};

}  // namespace tessorin::server
