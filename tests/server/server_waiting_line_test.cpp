// When the line of connections waiting for a request thread can grow no longer, the
// accepting thread refuses the next ones at once (503) instead of serving them itself: a
// client that then sends its request slowly, or not at all, cannot stop it from accepting
// everyone else. The server here is the bounded HTTP service alone, with four request
// threads held by a route that waits for the test, as a database that has stopped
// answering holds them, and a line that cannot grow past four.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "BoundedHttpServer.hpp"
#include "LoopbackConnection.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackConnection;
using testing::statusLine;

constexpr std::size_t threads = 4;
constexpr std::size_t longestLine = 4;

// Held until the test opens it, or for a minute at most, so that a failing test ends.
class Gate {
 public:
  void pass() {
    std::unique_lock lock(mutex_);
    ++waiting_;
    changed_.notify_all();
    changed_.wait_for(lock, 60s, [this] { return open_; });
  }
  bool awaitWaiting(std::size_t count, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return waiting_ >= count; });
  }
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t waiting_ = 0;
  bool open_ = false;
};

struct HeldServer {
  HeldServer() : http(server::BoundedHttpServer::Door::direct, limits(), {"{}", "{}", "{}"}, log) {
    http.Get("/held", [this](const httplib::Request&, httplib::Response& response) {
      gate.pass();
      response.set_content("held", "text/plain");
    });
    http.Get("/at-once", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("at once", "text/plain");
    });
    port = http.bind("127.0.0.1", 0);
    http.startThreads(threads);
    serving = std::thread([this] { http.listen_after_bind(); });
    while (!http.is_running()) std::this_thread::sleep_for(1ms);
  }
  ~HeldServer() {
    gate.open();
    http.stop();
    serving.join();
  }
  static server::BoundedHttpServer::Limits limits() {
    server::BoundedHttpServer::Limits limits;
    limits.sendingConnections = threads / 2;
    limits.longestLine = longestLine;
    // What a slow client would hold the accepting thread for, were it served there.
    limits.requestDeadline = 30s;
    return limits;
  }

  Gate gate;
  server::ThrottledLog log{stderr};
  server::BoundedHttpServer http;
  int port = 0;
  std::thread serving;
};

constexpr const char* held = "GET /held HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
constexpr const char* atOnce = "GET /at-once HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";

TEST(WaitingLineTest, SlowClientsPastAFullLineAreRefusedAtOnceAndNeverStopTheAccepting) {
  HeldServer server;
  std::vector<std::unique_ptr<LoopbackConnection>> holding;
  // Every thread held, then a line as long as it can be.
  for (std::size_t i = 0; i < threads + longestLine; ++i) {
    holding.push_back(std::make_unique<LoopbackConnection>(server.port, false, "127.0.5.1"));
    ASSERT_TRUE(holding.back()->send(held));
    if (i + 1 == threads) {
      ASSERT_TRUE(server.gate.awaitWaiting(threads, 10s)) << "the threads were not all held";
    }
  }
  // Clients that connect past the full line and send a request they never finish, then
  // probes from other addresses, all at once.
  constexpr int slowClients = 8;
  std::vector<std::unique_ptr<LoopbackConnection>> slow;
  for (int i = 0; i < slowClients; ++i) {
    const std::string from = "127.0.6." + std::to_string(i + 1);
    slow.push_back(std::make_unique<LoopbackConnection>(server.port, false, from.c_str()));
    ASSERT_TRUE(slow.back()->send("GET /at-once HTTP/1.1\r\nHost: 127.0.0.1\r\n"));
  }
  constexpr int probes = 6;
  std::vector<std::future<std::pair<std::string, std::int64_t>>> answers;
  for (int p = 0; p < probes; ++p) {
    answers.push_back(std::async(std::launch::async, [&server, p] {
      const std::string from = "127.0.7." + std::to_string(p + 1);
      const auto sent = std::chrono::steady_clock::now();
      std::string status;
      try {
        LoopbackConnection probe(server.port, false, from.c_str());
        if (probe.send(atOnce) && probe.peerSpoke(40s)) status = statusLine(probe.response());
      } catch (const std::runtime_error& error) {
        status = error.what();
      }
      return std::pair{status, static_cast<std::int64_t>((std::chrono::steady_clock::now() - sent) / 1ms)};
    }));
  }
  std::vector<std::int64_t> waitsMs;
  for (auto& answer : answers) {
    const auto [status, waitedMs] = answer.get();
    // Refused while the line is full, or served once a place in it is free.
    EXPECT_TRUE(status == "HTTP/1.1 503 Service Unavailable" || status == "HTTP/1.1 200 OK") << status;
    waitsMs.push_back(waitedMs);
  }
  std::sort(waitsMs.begin(), waitsMs.end());
  ::testing::Test::RecordProperty("probeMedianMs", std::to_string(waitsMs[waitsMs.size() / 2]));
  ::testing::Test::RecordProperty("probeWorstMs", std::to_string(waitsMs.back()));
  // A few milliseconds; a slow client served by the accepting thread would hold every probe
  // for its 30 s.
  EXPECT_LT(waitsMs.back(), 5000) << "the longest wait of a probe, in ms";
  for (auto& client : slow) {
    ASSERT_TRUE(client->peerSpoke(1ms)) << "a slow client past the full line was not answered";
    EXPECT_EQ(statusLine(client->response()), "HTTP/1.1 503 Service Unavailable");
  }
  // Those in line are served once the threads are free, and so is a new client.
  server.gate.open();
  for (auto& client : holding) EXPECT_EQ(statusLine(client->response()), "HTTP/1.1 200 OK");
  LoopbackConnection after(server.port, false, "127.0.7.100");
  ASSERT_TRUE(after.send(atOnce));
  EXPECT_EQ(statusLine(after.response()), "HTTP/1.1 200 OK");
}

}  // namespace
}  // namespace tessorin
