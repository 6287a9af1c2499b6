// What answers cost the server program, run as its own process: a page of 400 valid
// reports of 3 KB each, asked for 64 times one after another and 64 times at once, plain
// and asking for brotli, directly and through the nginx of the deployment, must leave the
// process's peak (VmHWM) less than 64 MiB above what it held before. Under an address
// space of 1.2 GB, started as its unit starts it (both doors, 64 threads each), the same
// requests are answered (200, or 503 when memory runs out) and the process lives on;
// where its threads do not fit, it says so, naming the option to lower, and ends. With no room at all to grow, a request that cannot have its memory
// gets 503 or its connection closed, and everything is answered again once there is room.
// Saves get the same: with no room to grow, each of many saved at once is stored, refused
// for now or has its connection closed, the process lives on, and saves are stored again
// once there is room.

#include <atomic>
#include <csignal>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <sys/resource.h>
#include <thread>

#include <gtest/gtest.h>

#include "LoopbackConnection.hpp"
#include "NginxProxy.hpp"
#include "PeakMemory.hpp"
#include "PgConnection.hpp"
#include "PostgresServer.hpp"
#include "ProcessFamily.hpp"
#include "ServerProcess.hpp"
#include "ServerWorld.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackConnection;
using testing::statusLine;

constexpr std::int64_t allowedGrowthKiB = 64 * 1024;
constexpr int requests = 64;

// 400 reports whose texts are as long as the server takes: about 3 KB each.
void fillWithLongReports(const std::string& conninfo) {
  server::PgConnection db(conninfo);
  db.exec(
      "INSERT INTO reports (name, store, store_key, platform, country, city, brand, advertised_bytes, verdict, method, "
      "creator) SELECT upper(gen_random_uuid()::text), 'Store ' || i || repeat('s', 1000), 'store ' || i || "
      "repeat('s', 1000), 'amazon', 'BR', repeat('c', 1000), 'Brand', 64000000000, 'fake', 'quick', 'BULK' "
      "FROM generate_series(1, 400) AS i");
}

std::string pageRequest(bool brotli) {
  return std::string("GET /v1/records?type=StoreReport&limit=400 HTTP/1.1\r\nHost: 127.0.0.1\r\n") +
         (brotli ? "Accept-Encoding: br, gzip\r\n" : "") + "\r\n";
}

// Each request on a connection of its own, one after another or at once; the status lines
// of the answers ("compressed" for a compressed one), or why none came. At once, the
// server is stopped until every request has been sent: past its cap on connections still
// sending, the server refuses a connection whose request is not in moments after its
// accept, and a client thread that a busy machine puts off between connecting and sending
// would be refused for its own pace, not the server's.
std::vector<std::string> askEach(const testing::ServerProcess& server, int port, bool tls,
                                 const std::vector<std::string>& requests, bool atOnce) {
  const int count = static_cast<int>(requests.size());
  std::vector<std::string> statuses(requests.size());
  std::atomic<int> sent{0};
  const auto ask = [&](std::size_t i) {
    bool counted = false;
    try {
      LoopbackConnection client(port, tls);
      const bool taken = client.send(requests[i]);
      counted = true;
      ++sent;
      if (taken) {
        const std::string answer = client.response();
        statuses[i] = answer.find("Content-Encoding") != std::string::npos ? "compressed" : statusLine(answer);
      }
    } catch (const std::runtime_error& error) {
      if (!counted) ++sent;
      statuses[i] = error.what();
    }
  };
  if (!atOnce) {
    for (std::size_t i = 0; i < requests.size(); ++i) ask(i);
    return statuses;
  }
  std::vector<std::thread> clients;
  {
    // Continued whatever happens here: a stopped server would outlast the test.
    const struct Hold {
      pid_t process;
      ~Hold() { ::kill(process, SIGCONT); }
    } hold{server.pid()};
    EXPECT_EQ(::kill(server.pid(), SIGSTOP), 0);
    EXPECT_TRUE(testing::everyThreadStopped(server.pid(), 10s)) << "the server was not held";
    for (std::size_t i = 0; i < requests.size(); ++i) clients.emplace_back(ask, i);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (sent < count && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(sent, count) << "requests sent while the server was held";
  }
  for (std::thread& client : clients) client.join();
  return statuses;
}

std::vector<std::string> askForPages(const testing::ServerProcess& server, int port, bool tls, bool brotli, bool atOnce,
                                     int count) {
  return askEach(server, port, tls, std::vector<std::string>(static_cast<std::size_t>(count), pageRequest(brotli)),
                 atOnce);
}

class ServerMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSORIN_REQUIRE_POSTGRES();
    postgres = std::make_unique<testing::PostgresServer>();
  }
  // With a proxy socket for nginx, as the unit starts it.
  std::unique_ptr<testing::ServerProcess> startServer(unsigned long long addressSpace = 0,
                                                      const std::string& threads = "64") {
    const std::vector<std::string> arguments{"--database", postgres->conninfo(), "--connections-per-address", "0",
                                             "--reports-per-hour", "100000", "--threads", threads,
                                             "--proxy-socket", proxySocket.path(), "--proxy-socket-group",
                                             testing::ProxySocketPlace::nginxWorkers};
    auto server = std::make_unique<testing::ServerProcess>(arguments, addressSpace);
    // The schema is made by the server at its start.
    if (!filled) fillWithLongReports(postgres->conninfo());
    filled = true;
    return server;
  }
  std::unique_ptr<testing::PostgresServer> postgres;
  testing::ProxySocketPlace proxySocket;
  bool filled = false;
};

TEST_F(ServerMemoryTest, PagesOfLongReportsCostABoundedPeak) {
  auto server = startServer();
  struct Case {
    const char* what;
    bool throughProxy;
    bool atOnce;
    bool brotli;
    int count;
  };
  const Case cases[] = {
      {"one after another, plain", false, false, false, requests},
      {"one after another, brotli asked", false, false, true, requests},
      {"at once, plain", false, true, false, requests},
      {"at once, brotli asked", false, true, true, requests},
      // As many as nginx lets one address hold.
      {"through nginx at once, brotli asked", true, true, true, 16},
  };
  std::unique_ptr<testing::NginxProxy> proxy;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.throughProxy) {
      if (!testing::nginxUnavailableReason().empty()) continue;
      proxy = std::make_unique<testing::NginxProxy>(proxySocket.path());
    }
    const int port = proxy ? proxy->port() : server->port();
    // Warmed up, so that what the program holds for good is not counted as growth.
    askForPages(*server, port, proxy != nullptr, false, false, 1);
    testing::resetPeakMemory(server->pid());
    const std::int64_t atRest = testing::peakMemoryKiB(server->pid());
    const std::vector<std::string> statuses = askForPages(*server, port, proxy != nullptr, c.brotli, c.atOnce, c.count);
    const std::int64_t grown = testing::peakMemoryKiB(server->pid()) - atRest;
    RecordProperty(std::string("grownKiB ") + c.what, std::to_string(grown));
    EXPECT_LT(grown, allowedGrowthKiB);
    EXPECT_EQ(statuses, std::vector<std::string>(static_cast<std::size_t>(c.count), "HTTP/1.1 200 OK"));
  }
}

// The address space a process holds now, in bytes.
unsigned long long addressSpaceBytes(pid_t process) {
  std::ifstream status("/proc/" + std::to_string(process) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  }
  return 0;
}

TEST_F(ServerMemoryTest, ThreadsThatDoNotFitAreAnErrorNamingTheOptionToLower) {
  // What the process holds with one thread at each door, and room for a few hundred more
  // small stacks but not for the 2048 asked for.
  unsigned long long started = 0;
  {
    auto small = startServer(0, "1");
    started = addressSpaceBytes(small->pid());
  }
  ASSERT_GT(started, 0u);
  try {
    auto server = startServer(started + (128ull << 20), "1024");
    // Up and listening: it must not end later, when its doors start serving.
    std::this_thread::sleep_for(500ms);
    ADD_FAILURE() << "started with 2048 request threads in " << (started >> 20) << " MiB and 128 MiB more; alive "
                  << server->alive() << ", wait status " << server->exitStatus() << ":\n" << server->errors();
  } catch (const std::runtime_error& error) {
    const std::string said = error.what();
    EXPECT_NE(said.find("lower --threads (1024)"), std::string::npos) << said;
    EXPECT_EQ(said.find("terminate called"), std::string::npos) << said;
  }
}

TEST_F(ServerMemoryTest, TheDeepestRequestsFitTheRequestThreadsStacks) {
  // What the library parses with regular expressions that recurse once per character: a
  // Range line as long as it reads one, and a multipart header as long as a body may be.
  std::string ranges = "0-0";
  while (ranges.size() + 4 < 8150) ranges += ",0-0";
  std::string name(16000, 'a');
  const std::string part = "--b\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\nx\r\n--b--\r\n";
  const std::pair<const char*, std::string> requests[] = {
      {"a Range of 8 KiB", "GET /v1/records?type=ReportFlag HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: bytes=" + ranges +
                              "\r\nConnection: close\r\n\r\n"},
      {"a multipart header of 16 KB", "POST /v1/records HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                                      "Content-Type: multipart/form-data; boundary=b\r\nContent-Length: " +
                                          std::to_string(part.size()) + "\r\n\r\n" + part},
  };
  auto server = startServer();
  for (const auto& [what, request] : requests) {
    SCOPED_TRACE(what);
    LoopbackConnection client(server->port(), false);
    ASSERT_TRUE(client.send(request));
    EXPECT_FALSE(statusLine(client.response()).empty());
    ASSERT_TRUE(server->alive()) << "the server ended, wait status " << server->exitStatus() << ":\n" << server->errors();
  }
}

TEST_F(ServerMemoryTest, UnderAnAddressSpaceCapTheServerAnswersAndLives) {
  auto server = startServer(1200ull * 1000 * 1000);
  int answered = 0;
  int unavailable = 0;
  for (int round = 0; round < 4; ++round) {
    for (const std::string& status : askForPages(*server, server->port(), false, round % 2 == 1, true, requests)) {
      if (status == "HTTP/1.1 200 OK") {
        ++answered;
      } else if (status == "HTTP/1.1 503 Service Unavailable") {
        ++unavailable;
      } else {
        ADD_FAILURE() << "an answer of neither 200 nor 503: \"" << status << "\"";
      }
    }
    ASSERT_TRUE(server->alive()) << "the server ended, wait status " << server->exitStatus() << ":\n"
                                 << server->errors();
  }
  RecordProperty("answered", answered);
  RecordProperty("unavailable", unavailable);
  EXPECT_GT(answered, 0);
}


// Three bursts of requests sent while the server has no room to grow beyond what it holds
// now. Each must get its answer (`answered`), a refusal for now, or the end of a connection
// whose request could not be had, and the server must live on; false where it ended.
bool withNoRoomToGrow(testing::ServerProcess& server, const std::function<std::vector<std::string>()>& burst,
                      const std::string& answered) {
  const rlimit tight{addressSpaceBytes(server.pid()), RLIM_INFINITY};
  EXPECT_EQ(prlimit(server.pid(), RLIMIT_AS, &tight, nullptr), 0);
  std::map<std::string, int> statuses;
  for (int round = 0; round < 3 && server.alive(); ++round) {
    for (const std::string& status : burst()) ++statuses[status];
  }
  if (!server.alive()) {
    ADD_FAILURE() << "the server ended, wait status " << server.exitStatus() << ":\n" << server.errors();
    return false;
  }
  const rlimit free{RLIM_INFINITY, RLIM_INFINITY};
  EXPECT_EQ(prlimit(server.pid(), RLIMIT_AS, &free, nullptr), 0);
  for (const auto& [status, count] : statuses) {
    ::testing::Test::RecordProperty("answers " + (status.empty() ? std::string("none") : status), count);
    EXPECT_TRUE(status == answered || status == "HTTP/1.1 503 Service Unavailable" || status.empty())
        << "\"" << status << "\"";
  }
  if (statuses.count("") > 0) {
    EXPECT_NE(server.errors().find("a connection was closed"), std::string::npos);
  }
  return true;
}

TEST_F(ServerMemoryTest, WhatCannotBeAllocatedEndsOnlyItsOwnRequest) {
  auto server = startServer();
  askForPages(*server, server->port(), false, false, false, 1);
  // Room for a few pages at most beyond what it holds now: most of 64 at once cannot be had.
  const auto pages = [&server] { return askForPages(*server, server->port(), false, false, true, requests); };
  if (!withNoRoomToGrow(*server, pages, "HTTP/1.1 200 OK")) return;
  EXPECT_EQ(askForPages(*server, server->port(), false, false, true, requests),
            std::vector<std::string>(static_cast<std::size_t>(requests), "HTTP/1.1 200 OK"))
      << "not all answered once memory was there again:\n" << server->errors();
}

// Each save on a connection of its own, all at once; the status lines.
std::vector<std::string> saveReportsAtOnce(const testing::ServerProcess& server, const std::string& token, int count) {
  std::vector<std::string> requests;
  for (int i = 0; i < count; ++i) {
    const std::string body = recordToJson(ServerWorld::newReport(QStringLiteral("Shop %1").arg(i))).dump();
    requests.push_back("POST /v1/records HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + token +
                       "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
                       "\r\n\r\n" + body);
  }
  return askEach(server, server.port(), false, requests, true);
}

TEST_F(ServerMemoryTest, SavesThatCannotBeAllocatedEndOnlyThemselves) {
  auto server = startServer();
  std::string token;
  {
    LoopbackConnection client(server->port(), false);
    ASSERT_TRUE(client.send("POST /v1/authors HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2\r\n\r\n{}"));
    const std::string answer = client.response();
    token = nlohmann::json::parse(answer.substr(answer.find("\r\n\r\n") + 4)).at("token").get<std::string>();
  }
  saveReportsAtOnce(*server, token, 1);
  const auto saves = [&server, &token] { return saveReportsAtOnce(*server, token, requests); };
  if (!withNoRoomToGrow(*server, saves, "HTTP/1.1 201 Created")) return;
  // One author's saves wait on each other for the count of the hour, so these come one at
  // a time.
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(saveReportsAtOnce(*server, token, 1), std::vector<std::string>{"HTTP/1.1 201 Created"})
        << "not stored once memory was there again:\n" << server->errors();
  }
}

// Each line of the log that tells of a closed connection, by its text without the count,
// and the connections they count together (a line without a count stands for one).
std::map<std::string, std::pair<int, long long>> closedConnectionLines(const std::string& log) {
  std::map<std::string, std::pair<int, long long>> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    if (line.find("a connection was closed") == std::string::npos) continue;
    const std::size_t count = line.rfind(" (");
    const bool counted = count != std::string::npos && line.find(" times in ", count) != std::string::npos;
    auto& [written, connections] = lines[counted ? line.substr(0, count) : line];
    ++written;
    connections += counted ? std::stoll(line.substr(count + 2)) : 1;
  }
  return lines;
}

TEST_F(ServerMemoryTest, RunningOutOfMemoryIsLoggedOnceASecondWithACount) {
  // Started with room for little more than it holds once it listens, so that the first
  // requests at once take all there is and every one after them finds none.
  unsigned long long atStart = 0;
  {
    auto roomy = startServer();
    atStart = addressSpaceBytes(roomy->pid());
  }
  ASSERT_GT(atStart, 0u);
  auto server = startServer(atStart + (1ull << 20));
  constexpr int clients = 64;
  constexpr auto asking = 4s;
  std::atomic<int> unanswered{0};
  const auto started = std::chrono::steady_clock::now();
  std::vector<std::thread> asked;
  for (int c = 0; c < clients; ++c) {
    asked.emplace_back([&, c] {
      const std::string from = "127.0.30." + std::to_string(c + 1);
      while (std::chrono::steady_clock::now() - started < asking) {
        try {
          LoopbackConnection client(server->port(), false, from.c_str());
          if (!client.send("GET /v1/records?type=ReportFlag&limit=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") ||
              client.response().empty()) {
            ++unanswered;
          }
        } catch (const std::runtime_error&) {
          ++unanswered;
        }
      }
    });
  }
  for (std::thread& client : asked) client.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ASSERT_TRUE(server->alive()) << "the server ended, wait status " << server->exitStatus() << ":\n" << server->errors();
  // Ended as systemd ends it, so that what is only counted yet is written.
  server->stop();
  RecordProperty("unanswered", unanswered.load());
  ASSERT_GE(unanswered.load(), 100) << "memory did not run out for many requests";
  const auto lines = closedConnectionLines(server->errors());
  ASSERT_FALSE(lines.empty()) << server->errors();
  long long counted = 0;
  for (const auto& [text, tally] : lines) {
    const auto& [written, connections] = tally;
    RecordProperty("lines " + text, written);
    RecordProperty("connections " + text, std::to_string(connections));
    // One at once, one a second after it, and the rest at the end.
    EXPECT_LE(written, static_cast<int>(seconds) + 2) << text;
    counted += connections;
  }
  // Each connection closed for want of memory is counted, though not written alone.
  EXPECT_GE(counted, unanswered.load());
}

}  // namespace
}  // namespace tessorin
