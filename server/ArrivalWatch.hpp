#pragma once
// ArrivalWatch: connections whose request is not in yet while those still sending hold
// every place they may have wait here for it, all of them on one epoll on a thread of its
// own, so that waiting for them takes no request thread. A connection whose header comes
// within the arrival grace, and the rest of its body within the body grace after the
// header, is handed to `whole`; one that is not whole by then, that closes first, or that
// is still here when the watch stops, is handed to `late`. Either takes the connection
// with its socket, to serve or to refuse and close; both are called on the watch's
// thread, one connection at a time, and must neither wait on the client nor throw.
// watch() may be called from any thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <sys/epoll.h>
#include <thread>
#include <unordered_map>
#include <vector>

#include "ConnectionCap.hpp"

namespace tessorin::server {

class ArrivalWatch {
 public:
  using Clock = std::chrono::steady_clock;

  // A connection just accepted and the place its client address holds while it is open.
  struct Arrival {
    int socket;
    ConnectionCap::Slot slot;
  };
  using Handler = std::function<void(Arrival)>;

  struct Graces {
    std::chrono::milliseconds arrival;
    std::chrono::milliseconds body;
  };

  // requestBytes: the most a request may take, so also the most looked at to judge one.
  // Throws std::system_error when the epoll or the thread cannot be had.
  ArrivalWatch(Graces graces, std::size_t requestBytes, Handler whole, Handler late);
  ~ArrivalWatch();
  ArrivalWatch(const ArrivalWatch&) = delete;
  ArrivalWatch& operator=(const ArrivalWatch&) = delete;

  // Takes the connection out of arrival and watches it; false (arrival untouched) once the
  // watch has stopped or when it cannot be watched.
  bool watch(Arrival& arrival);
  // Hands everything still watched to late and ends the thread; watch() refuses after it.
  void stop();

 private:
  using Deadlines = std::multimap<Clock::time_point, int>;
  struct Watched {
    Watched(Arrival&& a, Deadlines::iterator d, std::uint32_t s) : arrival(std::move(a)), deadline(d), serial(s) {}
    Arrival arrival;
    Deadlines::iterator deadline;
    // Tells its events from those of an earlier connection on the same descriptor.
    std::uint32_t serial;
    bool headerIn = false;
  };
  using Watching = std::unordered_map<int, Watched>;

  // A connection leaving the watch, and whom it goes to.
  struct Leaving {
    Arrival arrival;
    const Handler* to;
  };

  void run();
  // Hands the connection to its handler, with the lock let go.
  void handOver(std::optional<Leaving> leaving, std::unique_lock<std::mutex>& lock) const;
  // The rest, with the lock held. What the client of the event's connection has sent so
  // far, judged; the connection, when it is to leave the watch.
  std::optional<Leaving> judge(const epoll_event& event);
  Leaving leave(Watching::iterator watched, const Handler& to);
  // A connection whose time is up: served when its request is all here by now, else late.
  Leaving expire(Watching::iterator watched);
  void wake() const;

  Graces graces_;
  Handler whole_;
  Handler late_;
  int epoll_ = -1;
  int wakeUp_ = -1;
  std::vector<char> peeked_;
  std::mutex mutex_;
  Watching watched_;
  Deadlines deadlines_;
  // When the thread wakes next, unless something wakes it earlier.
  Clock::time_point nextWake_ = Clock::time_point::max();
  std::uint32_t nextSerial_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tessorin::server
