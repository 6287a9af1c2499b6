// Limits that hold however the community is served: two server programs on one database,
// as the community scales out, hold one author to one count of reports and of flags an
// hour, and a restart forgets none of it; and the same flag sent several times at once,
// to either server, is acknowledged every time and stored once.

#include <array>
#include <functional>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include "ServerProcess.hpp"
#include "ServerWorld.hpp"

namespace tessorin {
namespace {

constexpr int reportsPerHour = 3;
constexpr int flagsPerHour = 5;

class SharedLimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSORIN_REQUIRE_POSTGRES();
    postgres = std::make_unique<testing::PostgresServer>();
    startBoth(reportsPerHour, flagsPerHour);
  }
  std::unique_ptr<testing::ServerProcess> start(int reports, int flags) const {
    return std::make_unique<testing::ServerProcess>(std::vector<std::string>{
        "--database", postgres->conninfo(), "--reports-per-hour", std::to_string(reports), "--flags-per-hour",
        std::to_string(flags), "--connections-per-address", "0"});
  }
  void startBoth(int reports, int flags) {
    for (auto& server : servers) server = start(reports, flags);
  }
  httplib::Client client(int server) const {
    httplib::Client http("127.0.0.1", servers[static_cast<std::size_t>(server)]->port());
    http.set_read_timeout(30, 0);
    return http;
  }
  std::string registerAuthor() const {
    const auto answer = client(0).Post("/v1/authors", "{}", "application/json");
    if (!answer || answer->status != 201) throw std::runtime_error("registration failed");
    return nlohmann::json::parse(answer->body).at("token").get<std::string>();
  }
  int post(int server, const Record& record, const std::string& token) const {
    const auto answer = client(server).Post("/v1/records", {{"Authorization", "Bearer " + token}},
                                            recordToJson(record).dump(), "application/json");
    return answer ? answer->status : 0;
  }
  server::PgConnection database() const { return server::PgConnection(postgres->conninfo()); }
  // A report of someone else's, stored without a server, for flags to name.
  QString storedReport() const {
    const QString name = ServerWorld::newReport(QStringLiteral("Other")).recordName;
    database().exec(
        "INSERT INTO reports (name, store, store_key, platform, country, city, advertised_bytes, verdict, method, "
        "creator) VALUES ($1, 'Other', 'other', 'amazon', 'BR', '', 1, 'fake', 'quick', 'OTHER')",
        {name.toStdString()});
    return name;
  }
  std::int64_t count(const char* table) const {
    return database().exec((std::string("SELECT count(*) FROM ") + table).c_str()).integer(0, 0);
  }

  std::unique_ptr<testing::PostgresServer> postgres;
  std::array<std::unique_ptr<testing::ServerProcess>, 2> servers;
};

TEST_F(SharedLimitsTest, OneAuthorsReportsAndFlagsAreCountedOnceAcrossServersAndRestarts) {
  struct Case {
    const char* what;
    int limit;
    std::function<Record()> record;
    const char* table;
  };
  const Case cases[] = {
      {"reports", reportsPerHour, [] { return ServerWorld::newReport(QStringLiteral("Shop")); }, "reports"},
      {"flags", flagsPerHour, [this] { return ServerWorld::newFlag(storedReport()); }, "flags"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string author = registerAuthor();
    const std::int64_t before = count(c.table);
    int stored = 0;
    // Alternating between the servers, twice the limit.
    for (int sent = 0; sent < 2 * c.limit; ++sent) {
      if (post(sent % 2, c.record(), author) == 201) ++stored;
    }
    EXPECT_EQ(stored, c.limit);
    // A restarted server remembers.
    servers[0] = start(reportsPerHour, flagsPerHour);
    EXPECT_EQ(post(0, c.record(), author), 429);
    EXPECT_EQ(post(1, c.record(), author), 429);
    EXPECT_EQ(count(c.table) - before, c.limit);
  }
}

TEST_F(SharedLimitsTest, TheSameFlagSentAtOnceIsAcknowledgedEveryTimeAndStoredOnce) {
  constexpr int trials = 40;
  constexpr int copies = 4;
  startBoth(reportsPerHour, trials);
  const std::string author = registerAuthor();
  int notCreated = 0;
  std::string statuses;
  for (int trial = 0; trial < trials; ++trial) {
    const Record flag = ServerWorld::newFlag(storedReport());
    std::array<int, copies> answers{};
    std::vector<std::thread> senders;
    for (int copy = 0; copy < copies; ++copy) {
      senders.emplace_back([&, copy] { answers[static_cast<std::size_t>(copy)] = post(copy % 2, flag, author); });
    }
    for (std::thread& sender : senders) sender.join();
    for (int status : answers) {
      if (status != 201) {
        ++notCreated;
        statuses += std::to_string(status) + " ";
      }
    }
  }
  EXPECT_EQ(notCreated, 0) << "answers other than 201: " << statuses;
  EXPECT_EQ(count("flags"), trials);
}

}  // namespace
}  // namespace tessorin
