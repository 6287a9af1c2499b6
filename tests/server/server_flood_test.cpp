// One address that opens connections through nginx without end, keeping each, cannot take
// the connections nginx has for everyone else: requests from another address are answered,
// each within a second, while the flood runs, whether its requests are whole (and refused)
// or never finish their header (2000 new connections a second). Nor can many addresses
// that hold connections to the server itself without a request in them, sending nothing
// or nothing more after one answer, take its threads: another address is served within
// two seconds. Bounded: under a minute and a few thousand connections, all on 127.0.0.0/8.

#include <atomic>
#include <mutex>
#include <sys/resource.h>
#include <thread>

#include <gtest/gtest.h>

#include "Deployment.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackConnection;

constexpr const char* flagPage = "GET /v1/records?type=ReportFlag&limit=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

struct Flood {
  const char* what;
  std::string request;
  bool readsAnswer;
  // Connections a second the flood opens at most, all flooders together; 0: as fast as it can.
  int perSecond;
};

// The flood's own connections need descriptors beyond the usual soft limit.
void makeRoomForAFlood() {
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 16384));
  setrlimit(RLIMIT_NOFILE, &files);
}

TEST(ProxyFloodTest, OneAddressReconnectingWithoutEndLeavesOthersAnsweredWithinASecond) {
  TESSORIN_REQUIRE_POSTGRES();
  TESSORIN_REQUIRE_NGINX();
  makeRoomForAFlood();
  constexpr int flooders = 16;
  constexpr int connectionsEach = 600;
  constexpr int floodSize = 4000;
  // How long the flooders may take to open their connections: far more than an idle machine
  // needs (about two seconds), so that a loaded one still builds the whole flood.
  constexpr auto floodLimit = 40s;
  const Flood floods[] = {
      // Each refused, kept open, and the next one opened at once.
      {"whole requests", flagPage, true, 0},
      // A request that never ends its header: nginx cannot count it against the address
      // until it does, so only the header timeout lets it go.
      {"headers never finished", "GET /v1/records?type=ReportFlag HTTP/1.1\r\nHost: 127.0.0.1\r\n", false, 2000},
  };
  for (const Flood& f : floods) {
    SCOPED_TRACE(f.what);
    // nginx of one worker, as on a small machine: the one whose connections run out first.
    Deployment deployment(false);
    deployment.proxy = std::make_unique<testing::NginxProxy>(deployment.world.options.proxySocket,
                                                             testing::NginxProxy::PerAddressPace::shipped, 1);
    std::atomic<bool> flooding = true;
    std::atomic<int> opened = 0;
    std::atomic<int> refused = 0;
    std::vector<std::thread> flood;
    for (int i = 0; i < flooders; ++i) {
      flood.emplace_back([&] {
        std::vector<std::unique_ptr<LoopbackConnection>> held;
        const auto start = std::chrono::steady_clock::now();
        const auto until = start + floodLimit;
        while (flooding && held.size() < connectionsEach && std::chrono::steady_clock::now() < until) {
          if (f.perSecond > 0) {
            std::this_thread::sleep_until(start + held.size() * 1s * flooders / f.perSecond);
          }
          try {
            auto client = std::make_unique<LoopbackConnection>(deployment.port(), true, "127.0.0.2");
            ++opened;
            if (client->send(f.request) && f.readsAnswer && client->response().find(" 429 ") != std::string::npos) {
              ++refused;
            }
            held.push_back(std::move(client));
          } catch (const std::runtime_error&) {
            // Turned away before TLS: the flood goes on.
          }
        }
        while (flooding) std::this_thread::sleep_for(50ms);
      });
    }
    // The probes start once the flood is as large as the test means it to be, however long a
    // busy machine takes this process to make the TLS connections: a probe answered before
    // then would say nothing about a flood.
    const auto floodDeadline = std::chrono::steady_clock::now() + floodLimit;
    while (opened < floodSize && std::chrono::steady_clock::now() < floodDeadline) std::this_thread::sleep_for(20ms);
    std::vector<std::int64_t> waitsMs;
    int unanswered = 0;
    for (int probe = 0; probe < 12; ++probe) {
      const auto started = std::chrono::steady_clock::now();
      try {
        if (deployment.answerWithin(flagPage, 3000ms, "127.0.0.3").find(" 200 ") == std::string::npos) ++unanswered;
      } catch (const std::runtime_error&) {
        ++unanswered;
      }
      waitsMs.push_back((std::chrono::steady_clock::now() - started) / 1ms);
      std::this_thread::sleep_for(300ms);
    }
    flooding = false;
    for (std::thread& flooder : flood) flooder.join();
    const std::int64_t longest = *std::max_element(waitsMs.begin(), waitsMs.end());
    RecordProperty(std::string("floodConnections ") + f.what, opened.load());
    RecordProperty(std::string("floodRefused ") + f.what, refused.load());
    RecordProperty(std::string("longestWaitMs ") + f.what, std::to_string(longest));
    EXPECT_GE(opened.load(), floodSize) << "no flood to speak of";
    EXPECT_EQ(unanswered, 0);
    EXPECT_LT(longest, 1000) << "the longest wait of another address, in ms";
  }
}

TEST(ServerFloodTest, ConnectionsWithoutARequestInThemLeaveAnotherAddressServed) {
  TESSORIN_REQUIRE_POSTGRES();
  makeRoomForAFlood();
  // As many connections from each address as the server lets one hold, from 250 addresses.
  constexpr int addresses = 250;
  constexpr int perAddress = 8;
  constexpr int builders = 10;
  constexpr auto floodLimit = 30s;
  const std::pair<const char*, bool> floods[] = {{"sending nothing", false}, {"idle after one answer", true}};
  for (const auto& [what, askedOnce] : floods) {
    SCOPED_TRACE(what);
    Deployment deployment(false, [](server::ServerOptions& options) {
      options.connectionsPerAddress = server::ServerOptions().connectionsPerAddress;
    });
    std::mutex lock;
    std::vector<std::unique_ptr<LoopbackConnection>> held;
    std::vector<std::thread> building;
    const auto until = std::chrono::steady_clock::now() + floodLimit;
    for (int builder = 0; builder < builders; ++builder) {
      building.emplace_back([&, builder] {
        for (int a = builder; a < addresses && std::chrono::steady_clock::now() < until; a += builders) {
          const std::string from = "127.0." + std::to_string(10 + a / 200) + "." + std::to_string(1 + a % 200);
          for (int i = 0; i < perAddress && std::chrono::steady_clock::now() < until; ++i) {
            try {
              auto client = std::make_unique<LoopbackConnection>(deployment.port(), false, from.c_str());
              // Kept alive, or closed at once when the server has no place for its wait.
              if (askedOnce && (!client->send(flagPage) || client->response().empty())) continue;
              std::lock_guard guard(lock);
              held.push_back(std::move(client));
            } catch (const std::runtime_error&) {
              // Not accepted: the flood is smaller, which the count below tells.
            }
          }
        }
      });
    }
    for (std::thread& builder : building) builder.join();
    RecordProperty(std::string("floodConnections ") + what, static_cast<int>(held.size()));
    ASSERT_EQ(held.size(), std::size_t{addresses * perAddress}) << "no flood to speak of";
    std::int64_t longest = 0;
    for (int probe = 1; probe <= 5; ++probe) {
      const std::string from = "127.0.8." + std::to_string(probe);
      const auto started = std::chrono::steady_clock::now();
      const std::string answer = deployment.answerWithin(flagPage, 10000ms, from.c_str());
      longest = std::max<std::int64_t>(longest, (std::chrono::steady_clock::now() - started) / 1ms);
      EXPECT_EQ(testing::statusLine(answer), "HTTP/1.1 200 OK") << "from " << from;
    }
    RecordProperty(std::string("longestWaitMs ") + what, std::to_string(longest));
    // A probe waits a few milliseconds on an idle machine and for the held connections'
    // 30 s when they take every thread; the bound leaves a busy machine room between the two.
    EXPECT_LT(longest, 5000) << "the longest wait of another address, in ms";
  }
}

}  // namespace
}  // namespace tessorin
