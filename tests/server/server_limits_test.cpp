// The community server held to its limits by clients on 127.0.0.1, alone and behind the
// nginx of its deployment: idle and slow clients leave room for everyone else, headers
// without end are cut, a hung or restarted database costs a bounded wait and no failed
// requests after it, flags of new reports still count when thousands exist, and the
// registration limit counts the client nginx forwards on its socket, and no one else's
// word.

#include <algorithm>
#include <atomic>
#include <csignal>
#include <thread>

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "AwaitTask.hpp"
#include "ClientAddress.hpp"
#include "Deployment.hpp"
#include "LoopbackConnection.hpp"
#include "RequestScreen.hpp"
#include "WholeRequest.hpp"
#include "community/store/CommunityStore.hpp"
#include "community/store/ServerRecordStore.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackConnection;

constexpr const char* flagPage = "GET /v1/records?type=ReportFlag HTTP/1.1\r\nHost: 127.0.0.1\r\n";

class ServerLimitsTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    TESSORIN_REQUIRE_POSTGRES();
    if (GetParam()) TESSORIN_REQUIRE_NGINX();
    deployment = std::make_unique<Deployment>(GetParam());
  }
  std::unique_ptr<Deployment> deployment;
};

TEST_P(ServerLimitsTest, IdleAndSlowClientsLeaveRoomForANormalRequest) {
  // Each from an address of its own, within every per-address share.
  const auto client = [](int i) { return "127.0.0." + std::to_string(10 + i); };
  std::vector<std::unique_ptr<LoopbackConnection>> idle;
  for (int i = 0; i < 16; ++i) {
    idle.push_back(std::make_unique<LoopbackConnection>(deployment->port(), deployment->tls(), client(i).c_str()));
    ASSERT_TRUE(idle.back()->send(std::string(flagPage) + "\r\n"));
    ASSERT_NE(idle.back()->response().find(" 200 "), std::string::npos);
  }
  std::vector<std::unique_ptr<LoopbackConnection>> slow;
  for (int i = 0; i < 16; ++i) {
    slow.push_back(std::make_unique<LoopbackConnection>(deployment->port(), deployment->tls(), client(16 + i).c_str()));
    ASSERT_TRUE(slow.back()->send(flagPage));
  }
  // A header line now and then, as slowly as a client may and still be read, for at most 6 s.
  std::atomic<bool> dripping = true;
  std::thread drip([&] {
    for (int round = 0; dripping && round < 24; ++round) {
      for (auto& client : slow) client->send("X-Slow: 1\r\n");
      std::this_thread::sleep_for(250ms);
    }
  });
  std::this_thread::sleep_for(500ms);
  const std::string answer = deployment->answerWithin(std::string(flagPage) + "\r\n", 1000ms);
  dripping = false;
  drip.join();
  EXPECT_NE(answer.find(" 200 "), std::string::npos) << "no answer within 1 s: " << answer;
}

TEST_P(ServerLimitsTest, HeadersBeyondTheLimitsAreRefusedAndEndlessOnesCut) {
  std::string many = flagPage;
  for (int i = 0; i < 60; ++i) many += "X-Many-" + std::to_string(i) + ": 1\r\n";
  const std::string refused = deployment->answerWithin(many + "\r\n", 5000ms);
  EXPECT_NE(refused.find(" 431 "), std::string::npos) << refused.substr(0, 200);

  LoopbackConnection endless(deployment->port(), deployment->tls());
  ASSERT_TRUE(endless.send(flagPage));
  std::size_t sent = 0;
  const std::string line = "X-Filler: " + std::string(90, 'a') + "\r\n";
  bool cut = false;
  while (sent < 4 * 1024 * 1024 && !cut) {
    std::string chunk;
    for (int i = 0; i < 80; ++i) chunk += line;
    cut = !endless.send(chunk) || endless.peerSpoke(20ms);
    sent += chunk.size();
  }
  EXPECT_TRUE(cut);
  EXPECT_LT(sent, 1024u * 1024u) << "header lines taken before the connection was cut";
  EXPECT_NE(deployment->answerWithin(std::string(flagPage) + "\r\n", 5000ms).find(" 200 "), std::string::npos);
}

TEST(SendingCapTest, ConnectionsStillSendingPastTheCapAreRefusedAndWholeRequestsServed) {
  TESSORIN_REQUIRE_POSTGRES();
  // Eight threads: four for connections still sending, four kept for whole requests.
  Deployment deployment(false, [](server::ServerOptions& options) { options.threads = 8; });
  constexpr int halfSent = 12;
  std::vector<std::unique_ptr<LoopbackConnection>> senders;
  for (int i = 0; i < halfSent; ++i) {
    const std::string from = "127.0.3." + std::to_string(i + 1);
    senders.push_back(std::make_unique<LoopbackConnection>(deployment.port(), false, from.c_str()));
    ASSERT_TRUE(senders.back()->send("GET /v1/records?type=Repo"));
  }
  // Long before the request deadline of the ones held.
  int refused = 0;
  for (auto& sender : senders) {
    if (!sender->peerSpoke(2000ms)) continue;
    const std::string answer = sender->response();
    EXPECT_EQ(testing::statusLine(answer), "HTTP/1.1 429 Too Many Requests");
    EXPECT_NE(answer.find("\"code\":7"), std::string::npos) << answer;
    ++refused;
  }
  EXPECT_EQ(refused, halfSent - 4);
  // A request sent whole is served while the cap is full, and so is a body sent with it
  // or right after its header, as HTTP libraries write them.
  EXPECT_EQ(testing::statusLine(deployment.answerWithin(std::string(flagPage) + "\r\n", 2000ms, "127.0.4.1")),
            "HTTP/1.1 200 OK");
  EXPECT_EQ(testing::statusLine(deployment.answerWithin(
                "POST /v1/authors HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2\r\n\r\n{}", 2000ms, "127.0.4.2")),
            "HTTP/1.1 201 Created");
  LoopbackConnection split(deployment.port(), false, "127.0.4.3");
  ASSERT_TRUE(split.send("POST /v1/authors HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2\r\n\r\n"));
  std::this_thread::sleep_for(2ms);
  ASSERT_TRUE(split.send("{}"));
  ASSERT_TRUE(split.peerSpoke(2000ms));
  EXPECT_EQ(testing::statusLine(split.response()), "HTTP/1.1 201 Created");
}

TEST(SendingCapTest, ConnectionsRefusedPastTheCapGiveBackTheirAddressesPlaces) {
  TESSORIN_REQUIRE_POSTGRES();
  // Eight threads, four of them for connections still sending; two connections an address.
  Deployment deployment(false, [](server::ServerOptions& options) {
    options.threads = 8;
    options.connectionsPerAddress = 2;
  });
  // Twice as many senders as there are places: once four are refused, the other four
  // hold every place, whichever order the server took them in.
  std::vector<std::unique_ptr<LoopbackConnection>> senders;
  for (int i = 0; i < 8; ++i) {
    const std::string from = "127.0.3." + std::to_string(i + 1);
    senders.push_back(std::make_unique<LoopbackConnection>(deployment.port(), false, from.c_str()));
    ASSERT_TRUE(senders.back()->send("GET /v1/records?type=Repo"));
  }
  std::size_t refusedSenders = 0;
  for (const auto until = std::chrono::steady_clock::now() + 5s;
       refusedSenders < 4 && std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(10ms)) {
    refusedSenders = std::count_if(senders.begin(), senders.end(), [](auto& sender) { return sender->peerSpoke(0ms); });
  }
  ASSERT_EQ(refusedSenders, 4u) << "the places of those still sending were not all held";
  // One after another from one address, each waiting past the cap for what never comes
  // whole: were their places kept, the third would be refused as one too many from it.
  const char* unfinished[] = {"", "GET /v1/rec", "POST /v1/authors HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2\r\n\r\n"};
  for (int round = 0; round < 3; ++round) {
    for (const char* part : unfinished) {
      SCOPED_TRACE(std::string("sent \"") + part + "\"");
      LoopbackConnection client(deployment.port(), false, "127.0.9.1");
      if (*part != '\0') {
        ASSERT_TRUE(client.send(part));
      }
      // Far longer than the moment it is given, far shorter than the request deadline
      // (10 s) for which a place among those still sending would hold it.
      ASSERT_TRUE(client.peerSpoke(5000ms)) << "not refused";
      const std::string answer = client.response();
      EXPECT_EQ(testing::statusLine(answer), "HTTP/1.1 429 Too Many Requests");
      EXPECT_NE(answer.find("busy"), std::string::npos) << answer;
      // Closed by the server after its answer.
      EXPECT_EQ(client.response(), "");
    }
  }
  EXPECT_EQ(testing::statusLine(deployment.answerWithin(std::string(flagPage) + "\r\n", 5000ms, "127.0.9.1")),
            "HTTP/1.1 200 OK");
}

TEST(WholeRequestTest, CountsARequestWholeOnlyWithItsHeaderAndAllOfItsBody) {
  using server::RequestArrival;
  const std::pair<const char*, RequestArrival> cases[] = {
      {"GET / HTTP/1.1\r\nHost: a\r\n\r\n", RequestArrival::whole},
      {"GET / HTTP/1.1\nHost: a\n\n", RequestArrival::whole},
      {"GET / HTTP/1.1\r\nHost: a\r\n", RequestArrival::partOfHeader},
      {"GET /v1/rec", RequestArrival::partOfHeader},
      {"POST / HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}", RequestArrival::whole},
      {"POST / HTTP/1.1\r\ncontent-length:  2 \r\n\r\n{}", RequestArrival::whole},
      {"POST / HTTP/1.1\r\nContent-Length: 2\r\n\r\n{", RequestArrival::partOfBody},
      {"POST / HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\n{}", RequestArrival::partOfBody},
      {"POST / HTTP/1.1\r\nContent-Length: x\r\n\r\n{}", RequestArrival::partOfBody},
      {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", RequestArrival::partOfBody},
      {"POST / HTTP/1.1\r\nX-Content-Length: 9\r\n\r\n", RequestArrival::whole},
  };
  for (const auto& [bytes, arrival] : cases) EXPECT_EQ(server::requestArrival(bytes), arrival) << bytes;
}

TEST(RequestScreenTest, RefusesAMethodNoRouteServesBeforeWhatItCarries) {
  const std::set<std::string> routed{"GET", "HEAD", "POST"};
  struct Case {
    const char* method;
    httplib::Headers headers;
    std::optional<int> status;
  };
  const Case cases[] = {
      {"GET", {}, std::nullopt},
      {"HEAD", {}, std::nullopt},
      {"POST", {{"Content-Length", "2"}}, std::nullopt},
      {"POST", {{"Transfer-Encoding", "chunked"}}, std::nullopt},
      {"POST", {}, 411},
      {"PUT", {}, 405},
      {"PATCH", {{"Content-Length", "2"}}, 405},
      {"DELETE", {{"Content-Encoding", "br"}, {"Content-Length", "9"}}, 405},
      {"OPTIONS", {}, 405},
      {"CONNECT", {}, 405},
      {"GET", {{"Content-Length", "2"}}, 400},
      {"POST", {{"Content-Encoding", "gzip"}, {"Content-Length", "2"}}, 415},
  };
  for (const Case& c : cases) {
    httplib::Request request;
    request.method = c.method;
    request.headers = c.headers;
    EXPECT_EQ(server::screenRequest(request, routed), c.status) << c.method << " with " << c.headers.size() << " headers";
  }
  // A request line the library refused: a method it does not know, or no request at all.
  const std::pair<std::pair<const char*, const char*>, bool> refused[] = {
      {{"BREW", "HTTP/1.1"}, true}, {{"M-SEARCH", "HTTP/1.0"}, true},
      {{"BREW", "HTTP/2"}, false},  {{"\x16\x03\x01", ""}, false}, {{"", ""}, false}, {{"GET(", "HTTP/1.1"}, false}};
  for (const auto& [line, names] : refused) {
    httplib::Request request;
    request.method = line.first;
    request.version = line.second;
    EXPECT_EQ(server::namesMethod(request), names) << line.first;
  }
}

INSTANTIATE_TEST_SUITE_P(AloneAndBehindTheProxy, ServerLimitsTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ThroughNginx" : "Direct";
                         });

class DatabaseTroubleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSORIN_REQUIRE_POSTGRES();
    world = ServerWorld::withStatementTimeout(1000);
  }
  std::unique_ptr<ServerWorld> world;
};

TEST_F(DatabaseTroubleTest, AHungDatabaseFailsARequestWithinTheTimeoutAndHealsAfter) {
  world->postgres.freeze();
  {
    auto http = world->client();
    http.set_read_timeout(3, 0);
    const auto hung = http.Get("/v1/records?type=StoreReport");
    ASSERT_TRUE(hung) << "no answer within 3 s of a 1 s statement timeout";
    EXPECT_EQ(hung->status, 503);
  }
  world->postgres.thaw();
  auto http = world->client();
  const auto healed = http.Get("/v1/records?type=StoreReport");
  ASSERT_TRUE(healed);
  EXPECT_EQ(healed->status, 200);
}

TEST_F(DatabaseTroubleTest, RequestsQueuedForTheOneHungConnectionAllGiveUpInTime) {
  world->stopServer();
  world->options.connections = 1;
  world->startServer();
  world->postgres.freeze();
  std::atomic<int> answered503 = 0;
  std::vector<std::thread> clients;
  for (int i = 0; i < 4; ++i) {
    clients.emplace_back([&] {
      auto http = world->client();
      http.set_read_timeout(4, 0);
      const auto answer = http.Get("/v1/records?type=ReportFlag");
      if (answer && answer->status == 503) ++answered503;
    });
  }
  for (std::thread& client : clients) client.join();
  world->postgres.thaw();
  EXPECT_EQ(answered503, 4) << "a request waited for the connection without end";
}

TEST_F(DatabaseTroubleTest, TheFirstRequestsAfterADatabaseRestartSucceed) {
  const std::string token = world->registerAuthor();
  // Every pooled connection has served once, so each one is a stale one after the restart.
  std::vector<std::thread> warming;
  for (int i = 0; i < 8; ++i) warming.emplace_back([&] { world->client().Get("/v1/records?type=ReportFlag"); });
  for (std::thread& thread : warming) thread.join();
  world->postgres.restart();

  std::atomic<int> failed = 0;
  std::vector<std::thread> clients;
  for (int i = 0; i < 16; ++i) {
    clients.emplace_back([&, i] {
      auto http = world->client();
      const auto succeeded = [](const httplib::Result& answer) { return answer && answer->status < 300; };
      bool ok = false;
      if (i % 4 == 0) {
        ok = succeeded(world->post(ServerWorld::newReport(QStringLiteral("Mega")), token));
      } else if (i % 4 == 1) {
        ok = succeeded(http.Post("/v1/authors", "{}", "application/json"));
      } else {
        ok = succeeded(http.Get("/v1/records?type=StoreReport"));
      }
      if (!ok) ++failed;
    });
  }
  for (std::thread& thread : clients) thread.join();
  EXPECT_EQ(failed, 0);
}

TEST_F(DatabaseTroubleTest, FlagsOfANewReportCountPastThousandsOfFlagsOnOlderOnes) {
  // 2,600 older reports; the 200 oldest, out of reach of any fetch, carry 13 flags each.
  server::PgConnection db(world->postgres.conninfo());
  db.exec(
      "INSERT INTO reports (name, store, store_key, platform, country, city, advertised_bytes, verdict, method, "
      "creator, created) SELECT upper(gen_random_uuid()::text), 'Old ' || i, 'old ' || i, 'amazon', 'BR', '', 1000, "
      "'fake', 'quick', 'BULK', now() - i * interval '1 minute' FROM generate_series(1, 2600) AS i");
  db.exec(
      "INSERT INTO flags (name, report, creator) SELECT upper(gen_random_uuid()::text), r.name, 'FLAGGER ' || a "
      "FROM (SELECT name FROM reports ORDER BY created LIMIT 200) r, generate_series(1, 13) AS a");
  ASSERT_EQ(world->count("flags"), 2600);

  const std::string author = world->registerAuthor();
  const Record fresh = ServerWorld::newReport(QStringLiteral("New"), QStringLiteral("genuine"));
  ASSERT_EQ(world->post(fresh, author)->status, 201);
  for (const char* from : {"203.0.113.1", "203.0.113.2", "203.0.113.3"}) {
    ASSERT_EQ(world->post(ServerWorld::newFlag(fresh.recordName), world->registerAuthor(from))->status, 201);
  }

  auto http = world->client();
  const auto page = nlohmann::json::parse(http.Get("/v1/records?type=ReportFlag")->body);
  EXPECT_EQ(page.at("records").size(), 3u) << "flags of reports no fetch holds crowd out the others";

  QTemporaryDir folder;
  QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  CommunityStore store(settings, std::make_unique<ServerRecordStore>(settings, QUrl(QString::fromStdString(world->url()))));
  awaitTask(store.load());
  ASSERT_EQ(store.state().kind, CommunityStore::State::Kind::loaded) << store.state().message.toStdString();
  EXPECT_EQ(store.flagCounts().at(fresh.recordName), 3);
  const auto visible = store.visibleReports();
  EXPECT_TRUE(std::none_of(visible.begin(), visible.end(), [&](const StoreReport& r) { return r.id == fresh.recordName; }));
}

TEST(ClientAddressTest, OnlyOneWholeAddressIsTakenAsTheForwardedClient) {
  EXPECT_EQ(server::forwardedClient("203.0.113.7"), "203.0.113.7");
  EXPECT_EQ(server::forwardedClient(" 2001:db8::5 "), "2001:db8::5");
  for (const char* refused : {"", "garbage", "198.51.100.1, 203.0.113.7", "10.0.0.0/8", "203.0.113.7:443"}) {
    EXPECT_EQ(server::forwardedClient(refused), std::nullopt) << refused;
  }
  EXPECT_EQ(server::rateKey("203.0.113.7"), "203.0.113.7");
  EXPECT_EQ(server::rateKey("::ffff:203.0.113.7"), "203.0.113.7");
  EXPECT_EQ(server::rateKey("2001:db8:1:2:aaaa::1"), "2001:db8:1:2::/64");
  EXPECT_EQ(server::rateKey("2001:db8:1:2:bbbb::9"), server::rateKey("2001:db8:1:2::1"));
  EXPECT_NE(server::rateKey("2001:db8:1:3::1"), server::rateKey("2001:db8:1:2::1"));
}

TEST(RegistrationLimitTest, CountsTheClientForwardedOnTheProxySocketAndNoOneElse) {
  TESSORIN_REQUIRE_POSTGRES();
  Deployment deployment(false, [](server::ServerOptions& options) { options.registrationsPerHour = 1; });
  const auto onProxySocket = [&](const std::string& forwardedFor) {
    const std::string answer = testing::askOnProxySocket(
        deployment.world.options.proxySocket,
        "POST /v1/authors HTTP/1.0\r\nX-Forwarded-For: " + forwardedFor + "\r\nContent-Length: 2\r\n\r\n{}");
    return testing::statusLine(answer);
  };
  const std::pair<const char*, const char*> forwarded[] = {
      {"203.0.113.5", "HTTP/1.1 201 Created"},      {"203.0.113.5", "HTTP/1.1 429 Too Many Requests"},
      {"203.0.113.6", "HTTP/1.1 201 Created"},      {"2001:db8:1:2::1", "HTTP/1.1 201 Created"},
      {"2001:db8:1:2::ffff", "HTTP/1.1 429 Too Many Requests"}, {"2001:db8:1:3::1", "HTTP/1.1 201 Created"},
      // A proxy that forwards no single client is not as shipped: nothing is counted.
      {"198.51.100.1, 198.51.100.2", "HTTP/1.1 400 Bad Request"},
  };
  for (const auto& [forwardedFor, status] : forwarded) EXPECT_EQ(onProxySocket(forwardedFor), status) << forwardedFor;

  // A local process on the address and port is its own client, whatever it writes.
  for (const auto& [forwardedFor, status] : {std::pair{"198.51.100.5", 201}, std::pair{"198.51.100.6", 429}}) {
    auto http = deployment.world.client();
    const auto answer = http.Post("/v1/authors", {{"X-Forwarded-For", forwardedFor}}, "{}", "application/json");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, status) << forwardedFor;
  }
}

TEST(RegistrationLimitTest, AnAddressAClientWritesItselfDoesNotPassTheProxy) {
  TESSORIN_REQUIRE_POSTGRES();
  TESSORIN_REQUIRE_NGINX();
  Deployment deployment(true, [](server::ServerOptions& options) { options.registrationsPerHour = 1; });
  for (const auto& [forwardedFor, status] : {std::pair{"203.0.113.5", 201}, std::pair{"203.0.113.6", 429}}) {
    httplib::SSLClient https("127.0.0.1", deployment.port());
    https.enable_server_certificate_verification(false);
    const auto answer = https.Post("/v1/authors", {{"X-Forwarded-For", forwardedFor}}, "{}", "application/json");
    ASSERT_TRUE(answer) << httplib::to_string(answer.error());
    EXPECT_EQ(answer->status, status) << forwardedFor;
  }
}

}  // namespace
}  // namespace tessorin
