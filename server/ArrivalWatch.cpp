#include "ArrivalWatch.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

#include "WholeRequest.hpp"

namespace tessorin::server {

namespace {

// Events taken from the epoll at a time.
constexpr int eventsAtOnce = 256;
// The eventfd's mark among the events; a connection's is its serial and descriptor.
constexpr std::uint64_t wakeUpMark = ~std::uint64_t{0};

std::uint64_t eventMark(std::uint32_t serial, int socket) {
  return (std::uint64_t{serial} << 32) | static_cast<std::uint32_t>(socket);
}

std::system_error lastError(const char* what) { return {errno, std::generic_category(), what}; }

}  // namespace

ArrivalWatch::ArrivalWatch(Graces graces, std::size_t requestBytes, Handler whole, Handler late)
    : graces_(graces), whole_(std::move(whole)), late_(std::move(late)), peeked_(requestBytes) {
  try {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0) throw lastError("cannot make an epoll for arriving connections");
    wakeUp_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeUp_ < 0) throw lastError("cannot make an eventfd for arriving connections");
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = wakeUpMark;
    if (epoll_ctl(epoll_, EPOLL_CTL_ADD, wakeUp_, &event) != 0) throw lastError("cannot watch the eventfd");
    thread_ = std::thread([this] { run(); });
  } catch (...) {
    if (wakeUp_ >= 0) close(wakeUp_);
    if (epoll_ >= 0) close(epoll_);
    throw;
  }
}

ArrivalWatch::~ArrivalWatch() {
  stop();
  close(wakeUp_);
  close(epoll_);
}

bool ArrivalWatch::watch(Arrival& arrival) {
  std::lock_guard lock(mutex_);
  if (stopping_) return false;
  // Edge-triggered: the peek leaves what came unread, so only what comes after it wakes
  // the watch again. What came before the socket was added is reported at once.
  const std::uint32_t serial = nextSerial_++;
  epoll_event event{};
  event.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
  event.data.u64 = eventMark(serial, arrival.socket);
  if (epoll_ctl(epoll_, EPOLL_CTL_ADD, arrival.socket, &event) != 0) return false;
  const Clock::time_point deadline = Clock::now() + graces_.arrival;
  Deadlines::iterator order = deadlines_.end();
  bool placed = false;
  try {
    order = deadlines_.emplace(deadline, arrival.socket);
    // Moves the arrival only once its place is had.
    placed = watched_.try_emplace(arrival.socket, std::move(arrival), order, serial).second;
  } catch (const std::bad_alloc&) {
  }
  if (!placed) {
    if (order != deadlines_.end()) deadlines_.erase(order);
    epoll_ctl(epoll_, EPOLL_CTL_DEL, arrival.socket, nullptr);
    return false;
  }
  if (deadline < nextWake_) wake();
  return true;
}

void ArrivalWatch::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake();
  if (thread_.joinable()) thread_.join();
}

void ArrivalWatch::wake() const {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(wakeUp_, &one, sizeof one);
}

void ArrivalWatch::run() {
  epoll_event events[eventsAtOnce];
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    nextWake_ = deadlines_.empty() ? Clock::time_point::max() : deadlines_.begin()->first;
    int timeout = -1;
    if (!deadlines_.empty()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(nextWake_ - Clock::now()).count();
      timeout = static_cast<int>(std::clamp<long long>(left, 0, std::numeric_limits<int>::max()));
    }
    lock.unlock();
    const int ready = epoll_wait(epoll_, events, eventsAtOnce, timeout);
    lock.lock();
    for (int i = 0; i < ready; ++i) {
      if (events[i].data.u64 == wakeUpMark) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = read(wakeUp_, &count, sizeof count);
        continue;
      }
      handOver(judge(events[i]), lock);
    }
    while (!deadlines_.empty() && deadlines_.begin()->first <= Clock::now()) {
      handOver(expire(watched_.find(deadlines_.begin()->second)), lock);
    }
  }
  while (!watched_.empty()) handOver(leave(watched_.begin(), late_), lock);
}

void ArrivalWatch::handOver(std::optional<Leaving> leaving, std::unique_lock<std::mutex>& lock) const {
  if (!leaving) return;
  // Refusing thousands at once must not keep request threads from watching more meanwhile.
  lock.unlock();
  (*leaving->to)(std::move(leaving->arrival));
  lock.lock();
}

std::optional<ArrivalWatch::Leaving> ArrivalWatch::judge(const epoll_event& event) {
  const int socket = static_cast<int>(event.data.u64 & 0xffffffffu);
  const auto found = watched_.find(socket);
  // Already gone: an event of a batch taken before it left, maybe of an earlier
  // connection on the same descriptor.
  if (found == watched_.end() || eventMark(found->second.serial, socket) != event.data.u64) return std::nullopt;
  const bool hungUp = (event.events & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0;
  const ssize_t got = recv(socket, peeked_.data(), peeked_.size(), MSG_PEEK | MSG_DONTWAIT);
  if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) && !hungUp) return std::nullopt;
  const std::size_t bytes = static_cast<std::size_t>(std::max<ssize_t>(got, 0));
  const RequestArrival arrival = requestArrival(std::string_view(peeked_.data(), bytes));
  if (arrival == RequestArrival::whole) return leave(found, whole_);
  // Nothing more can come, or what came can never be whole within the request's bytes.
  if (got <= 0 || hungUp || bytes == peeked_.size()) return leave(found, late_);
  if (arrival == RequestArrival::partOfBody && !found->second.headerIn) {
    found->second.headerIn = true;
    // Moved to its new time without taking memory.
    auto node = deadlines_.extract(found->second.deadline);
    node.key() = Clock::now() + graces_.body;
    found->second.deadline = deadlines_.insert(std::move(node));
  }
  return std::nullopt;
}

ArrivalWatch::Leaving ArrivalWatch::expire(Watching::iterator watched) {
  // On a busy machine the watch itself may look after the time is up, and a request that
  // came meanwhile may not be among the events it took: the client was not late, the watch was.
  const ssize_t got = recv(watched->first, peeked_.data(), peeked_.size(), MSG_PEEK | MSG_DONTWAIT);
  const std::size_t bytes = static_cast<std::size_t>(std::max<ssize_t>(got, 0));
  const bool whole = requestArrival(std::string_view(peeked_.data(), bytes)) == RequestArrival::whole;
  return leave(watched, whole ? whole_ : late_);
}

ArrivalWatch::Leaving ArrivalWatch::leave(Watching::iterator watched, const Handler& to) {
  epoll_ctl(epoll_, EPOLL_CTL_DEL, watched->first, nullptr);
  deadlines_.erase(watched->second.deadline);
  Leaving leaving{std::move(watched->second.arrival), &to};
  watched_.erase(watched);
  return leaving;
}

}  // namespace tessorin::server
