// Requests of a few kilobytes that once made the community server, or the nginx of its
// deployment, build answers or bodies of hundreds of megabytes, or read one request as
// two: each is sent directly and through the proxy, the peak memory of the server (this
// process) and of nginx is read from /proc, and the request must be refused or answered
// plainly with less than 64 MiB more than at rest. And one client address cannot take
// the connections everyone else needs, nor keep one for minutes.

#include <atomic>
#include <thread>

#include <brotli/encode.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include "Deployment.hpp"
#include "PeakMemory.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackConnection;
using testing::statusLine;

constexpr std::int64_t allowedGrowthKiB = 64 * 1024;
constexpr std::size_t inflatedBytes = 256u << 20;

// Spaces of the given count, brotli-compressed, without holding them all at once.
std::string brotliSpaces(std::size_t count) {
  BrotliEncoderState* encoder = BrotliEncoderCreateInstance(nullptr, nullptr, nullptr);
  BrotliEncoderSetParameter(encoder, BROTLI_PARAM_QUALITY, 5);
  BrotliEncoderSetParameter(encoder, BROTLI_PARAM_LGWIN, 24);
  const std::string spaces(1 << 20, ' ');
  std::string out;
  std::uint8_t buffer[65536];
  for (std::size_t fed = 0;;) {
    const bool last = fed >= count;
    std::size_t available = last ? 0 : std::min(spaces.size(), count - fed);
    const std::uint8_t* next = reinterpret_cast<const std::uint8_t*>(spaces.data());
    fed += available;
    do {
      std::size_t room = sizeof buffer;
      std::uint8_t* into = buffer;
      BrotliEncoderCompressStream(encoder, last ? BROTLI_OPERATION_FINISH : BROTLI_OPERATION_PROCESS, &available,
                                  &next, &room, &into, nullptr);
      out.append(reinterpret_cast<char*>(buffer), sizeof buffer - room);
    } while (available > 0 || BrotliEncoderHasMoreOutput(encoder));
    if (last && BrotliEncoderIsFinished(encoder)) break;
  }
  BrotliEncoderDestroyInstance(encoder);
  return out;
}

std::string gzipOf(const std::string& text, int windowBits) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// The most any process of the deployment (this one, holding the server, and nginx's)
// grew past what it held when watching began.
class PeakWatch {
 public:
  explicit PeakWatch(const Deployment& deployment) {
    processes_.push_back(getpid());
    if (deployment.proxy) {
      for (pid_t process : deployment.proxy->processes()) processes_.push_back(process);
    }
    for (pid_t process : processes_) {
      testing::resetPeakMemory(process);
      atRest_.push_back(testing::peakMemoryKiB(process));
    }
  }
  std::int64_t grownKiB() const {
    std::int64_t most = 0;
    for (std::size_t i = 0; i < processes_.size(); ++i) {
      most = std::max(most, testing::peakMemoryKiB(processes_[i]) - atRest_[i]);
    }
    return most;
  }

 private:
  std::vector<pid_t> processes_;
  std::vector<std::int64_t> atRest_;
};

class ServerAttackTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    TESSORIN_REQUIRE_POSTGRES();
    if (GetParam()) TESSORIN_REQUIRE_NGINX();
    deployment = std::make_unique<Deployment>(GetParam(), [](server::ServerOptions& options) {
      options.connectionsPerAddress = server::ServerOptions().connectionsPerAddress;
    });
  }
  ServerWorld& world() { return deployment->world; }
  std::unique_ptr<Deployment> deployment;
};

TEST_P(ServerAttackTest, CompressedBodiesAreRefusedUnread) {
  const std::string token = world().registerAuthor();
  const std::string bomb = brotliSpaces(inflatedBytes);
  ASSERT_LT(bomb.size(), 16u * 1024u) << "not a request of a few kilobytes";
  const std::string record = recordToJson(ServerWorld::newReport(QStringLiteral("Mega"))).dump();
  struct Case {
    const char* what;
    const char* route;
    const char* encoding;
    std::string body;
  };
  const Case cases[] = {
      {"a registration, brotli", "/v1/authors", "br", bomb},
      {"a save, brotli", "/v1/records", "br", bomb},
      {"a save, gzip", "/v1/records", "gzip", gzipOf(record, 16 + 15)},
      {"a save, deflate", "/v1/records", "deflate", gzipOf(record, 15)},
      {"a save, identity", "/v1/records", "identity", record},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const PeakWatch watch(*deployment);
    const std::string request = std::string("POST ") + c.route + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                                "Authorization: Bearer " + token + "\r\nContent-Type: application/json\r\n" +
                                "Content-Encoding: " + c.encoding + "\r\nContent-Length: " +
                                std::to_string(c.body.size()) + "\r\n\r\n" + c.body;
    const std::string answer = deployment->answerWithin(request, 20s);
    EXPECT_EQ(statusLine(answer), "HTTP/1.1 415 Unsupported Media Type");
    EXPECT_NE(answer.find("\"code\":12"), std::string::npos) << answer;
    const std::int64_t grown = watch.grownKiB();
    RecordProperty(std::string("grownKiB ") + c.what, std::to_string(grown));
    EXPECT_LT(grown, allowedGrowthKiB);
  }
  EXPECT_EQ(world().count("reports"), 0);
  EXPECT_EQ(world().count("authors"), 1);
}

TEST_P(ServerAttackTest, ARangeOfManyPartsGetsTheWholePageOnce) {
  server::PgConnection db(world().postgres.conninfo());
  db.exec(
      "INSERT INTO reports (name, store, store_key, platform, country, city, advertised_bytes, verdict, method, "
      "creator) SELECT upper(gen_random_uuid()::text), 'Store ' || i, 'store ' || i, 'amazon', 'BR', "
      "'São Paulo', 64000000000, 'fake', 'quick', 'BULK' FROM generate_series(1, 400) AS i");
  const std::string page = "GET /v1/records?type=StoreReport HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  const std::string whole = deployment->answerWithin(page + "\r\n", 10s);
  ASSERT_EQ(statusLine(whole), "HTTP/1.1 200 OK");
  std::string ranges = "Range: bytes=0-";
  for (int i = 1; i < 700; ++i) ranges += ",0-";
  const PeakWatch watch(*deployment);
  const std::string answer = deployment->answerWithin(page + ranges + "\r\n\r\n", 20s);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 200 OK");
  const auto bodyOf = [](const std::string& response) { return response.substr(response.find("\r\n\r\n") + 4); };
  EXPECT_EQ(bodyOf(answer).size(), bodyOf(whole).size());
  const std::int64_t grown = watch.grownKiB();
  RecordProperty("grownKiB", std::to_string(grown));
  RecordProperty("answerBytes", std::to_string(answer.size()));
  EXPECT_LT(grown, allowedGrowthKiB);
}

TEST_P(ServerAttackTest, AmbiguousFramingIsRefusedAndNothingHiddenInTheBodyIsServed) {
  const std::string hidden = "GET /v1/records?type=ReportFlag HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  const std::string chunkedThenHidden = "0\r\n\r\n" + hidden;
  struct Case {
    const char* what;
    std::string framing;
    std::string body;
  };
  const Case cases[] = {
      {"a length and chunks", "Content-Length: " + std::to_string(chunkedThenHidden.size()) +
                                  "\r\nTransfer-Encoding: chunked\r\n", chunkedThenHidden},
      {"chunks and a length", "Transfer-Encoding: chunked\r\nContent-Length: 2\r\n", chunkedThenHidden},
      {"two lengths", "Content-Length: 2\r\nContent-Length: " + std::to_string(2 + hidden.size()) + "\r\n",
       "{}" + hidden},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LoopbackConnection client(deployment->port(), deployment->tls());
    ASSERT_TRUE(client.send("POST /v1/authors HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n" +
                            c.framing + "\r\n" + c.body));
    const std::string answer = client.response();
    EXPECT_EQ(statusLine(answer), "HTTP/1.1 400 Bad Request");
    EXPECT_EQ(client.response(), "") << "a second answer: the hidden request was served";
  }
  EXPECT_EQ(world().count("authors"), 0);
}

TEST_P(ServerAttackTest, OneAddressHoldsOnlyItsShareOfConnections) {
  // Many connections from one address, each sending its request slowly, as many as the
  // server has threads.
  const int held = server::ServerOptions().threads;
  std::vector<std::unique_ptr<LoopbackConnection>> slow;
  int refused = 0;
  for (int i = 0; i < held; ++i) {
    auto client = std::make_unique<LoopbackConnection>(deployment->port(), deployment->tls(), "127.0.0.2");
    const bool sent = client->send("POST /v1/authors HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2\r\n\r\n");
    if (!sent || client->peerSpoke(100ms)) {
      ++refused;
      continue;
    }
    slow.push_back(std::move(client));
  }
  const auto started = std::chrono::steady_clock::now();
  const std::string probe = deployment->answerWithin("GET /v1/records?type=ReportFlag HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
                                                     2000ms, "127.0.0.3");
  EXPECT_EQ(statusLine(probe), "HTTP/1.1 200 OK") << "another address waited "
                                                  << (std::chrono::steady_clock::now() - started) / 1ms << " ms";
  EXPECT_LE(slow.size(), 16u) << "connections one address holds";
  EXPECT_GE(slow.size(), 8u) << "connections one address holds";
  EXPECT_GE(refused, held - 16);
  const std::string crowded = deployment->answerWithin("GET /v1/records?type=ReportFlag HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
                                                       2000ms, "127.0.0.2");
  EXPECT_NE(crowded.find(" 429 "), std::string::npos) << statusLine(crowded);
  EXPECT_NE(crowded.find("\"code\":7"), std::string::npos) << crowded;
}

INSTANTIATE_TEST_SUITE_P(AloneAndBehindTheProxy, ServerAttackTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ThroughNginx" : "Direct";
                         });

TEST(DirectConnectionTest, AConnectionServesForItsTimeBudgetAndSaysWhatItKeeps) {
  TESSORIN_REQUIRE_POSTGRES();
  Deployment deployment(false);
  LoopbackConnection client(deployment.port(), false, "127.0.0.4");
  const std::string request = "GET /v1/records?type=ReportFlag HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  ASSERT_TRUE(client.send(request));
  const std::string first = client.response();
  EXPECT_NE(first.find("Keep-Alive: timeout=1, max=100\r\n"), std::string::npos) << first.substr(0, 300);
  // A request every 0.9 s, inside the idle limit: the connection still ends, once its
  // time budget is spent, long before 100 requests.
  const auto start = std::chrono::steady_clock::now();
  int served = 1;
  while (std::chrono::steady_clock::now() - start < 40s) {
    std::this_thread::sleep_for(900ms);
    if (!client.send(request) || client.response().empty()) break;
    ++served;
  }
  const auto open = std::chrono::steady_clock::now() - start;
  EXPECT_LT(open, 31s) << served << " requests";
  EXPECT_GE(served, 10);
}

TEST(ProxyWriteRateTest, OneAddressWritesAtItsPaceAndIsToldWhy) {
  TESSORIN_REQUIRE_POSTGRES();
  TESSORIN_REQUIRE_NGINX();
  Deployment deployment(true);
  LoopbackConnection client(deployment.port(), true, "127.0.0.5");
  int registered = 0;
  std::string refusal;
  for (int i = 0; i < 40 && refusal.empty(); ++i) {
    ASSERT_TRUE(client.send("POST /v1/authors HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2\r\n\r\n{}"));
    const std::string answer = client.response();
    if (answer.find(" 201 ") != std::string::npos) {
      ++registered;
    } else {
      refusal = answer;
    }
  }
  EXPECT_NE(refusal.find(" 429 "), std::string::npos) << statusLine(refusal);
  EXPECT_NE(refusal.find("\"code\":7"), std::string::npos) << refusal;
  EXPECT_GE(registered, 20);
  EXPECT_LE(registered, 24);
  // Reads are not paced.
  EXPECT_NE(deployment.answerWithin("GET /v1/records?type=ReportFlag HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 2000ms,
                                    "127.0.0.5")
                .find(" 200 "),
            std::string::npos);
}

}  // namespace
}  // namespace tessorin
