#include "RequestThreads.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace tessorin::server {

namespace {

// Connections that may wait for a thread before the line must grow: a full listen
// backlog.
constexpr std::size_t firstLineLength = 4096;

}  // namespace

RequestThreads::RequestThreads(std::size_t count, std::size_t stackBytes, std::size_t longestLine)
    : line_(std::clamp<std::size_t>(longestLine, 1, firstLineLength)), longestLine_(longestLine) {
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

bool RequestThreads::enqueue(std::function<void()>&& job) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ || (waiting_ == line_.size() && !lengthenLine())) return false;
    line_[(first_ + waiting_) % line_.size()] = std::move(job);
    ++waiting_;
  }
  ready_.notify_one();
  return true;
}

bool RequestThreads::lengthenLine() {
  if (line_.size() >= longestLine_) return false;
  try {
    std::vector<std::function<void()>> longer(std::min(line_.size() * 2, longestLine_));
    for (std::size_t i = 0; i < waiting_; ++i) longer[i] = std::move(line_[(first_ + i) % line_.size()]);
    line_.swap(longer);
    first_ = 0;
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
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
      ready_.wait(lock, [this] { return stopping_ || waiting_ > 0; });
      if (waiting_ == 0) return;
      job = std::move(line_[first_]);
      first_ = (first_ + 1) % line_.size();
      --waiting_;
    }
    job();
  }
}

}  // namespace tessorin::server
