#include "RequestThreads.hpp"

#include <cstring>
#include <string>

namespace tessorin::server {

RequestThreads::RequestThreads(std::size_t count, std::size_t stackBytes) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  int failure = pthread_attr_setstacksize(&attributes, stackBytes);
  threads_.reserve(count);
  while (failure == 0 && threads_.size() < count) {
    pthread_t thread;
    failure = pthread_create(&thread, &attributes, &RequestThreads::run, this);
    if (failure == 0) threads_.push_back(thread);
  }
  pthread_attr_destroy(&attributes);
  if (failure != 0) {
    const std::size_t started = threads_.size();
    shutdown();
    throw Unavailable("started " + std::to_string(started) + " of " + std::to_string(count) +
                      " request threads: " + std::strerror(failure));
  }
}

RequestThreads::~RequestThreads() { shutdown(); }

void RequestThreads::enqueue(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  ready_.notify_one();
}

void RequestThreads::shutdown() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  for (const pthread_t thread : threads_) pthread_join(thread, nullptr);
  threads_.clear();
}

void* RequestThreads::run(void* self) {
  static_cast<RequestThreads*>(self)->work();
  return nullptr;
}

void RequestThreads::work() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

}  // namespace tessorin::server
