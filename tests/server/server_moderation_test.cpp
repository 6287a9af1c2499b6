// Moderation one client address cannot steer, as the application sees it through the
// community server: a report is hidden by flags from three sources, where authors
// registered from one address (an IPv6 /64 as one) are one source; a flood of flags on
// other reports cannot push a report's own flags out of what the application counts; and
// two server processes on one database hold one registration limit and one rule.

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "AwaitTask.hpp"
#include "ServerWorld.hpp"
#include "community/store/CommunityStore.hpp"
#include "community/store/ServerRecordStore.hpp"

namespace tessorin {
namespace {

// What an installation of the application sees after loading the community.
struct Reader {
  explicit Reader(const std::string& url)
      : settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
        store(settings, std::make_unique<ServerRecordStore>(settings, QUrl(QString::fromStdString(url)))) {
    awaitTask(store.load());
  }
  bool shows(const QString& report) const {
    const auto visible = store.visibleReports();
    return std::any_of(visible.begin(), visible.end(), [&](const StoreReport& r) { return r.id == report; });
  }
  QTemporaryDir folder;
  QSettings settings;
  CommunityStore store;
};

class ModerationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSORIN_REQUIRE_POSTGRES();
    world = std::make_unique<ServerWorld>();
  }
  // A new report by an author of its own.
  QString shareReport(const char* store = "Mega") {
    const Record report = ServerWorld::newReport(QString::fromUtf8(store));
    const auto answer = world->post(report, world->registerAuthor("192.0.2.200"));
    if (!answer || answer->status != 201) throw std::runtime_error("the report was not saved");
    return report.recordName;
  }
  void flag(const QString& report, const std::string& token) {
    const auto answer = world->post(ServerWorld::newFlag(report), token);
    if (!answer || answer->status >= 300) throw std::runtime_error("the flag was not saved");
  }
  std::unique_ptr<ServerWorld> world;
};

TEST_F(ModerationTest, AReportIsHiddenByFlagsFromThreeSources) {
  struct Case {
    const char* what;
    std::vector<const char*> flaggers;  // the address each flagging author registered from
    bool hidden;
    int counted;
  };
  const Case cases[] = {
      {"three authors of one address", {"203.0.113.9", "203.0.113.9", "203.0.113.9"}, false, 1},
      {"nineteen authors of one address", std::vector<const char*>(19, "203.0.113.10"), false, 1},
      {"three authors of one IPv6 /64", {"2001:db8:1:2::1", "2001:db8:1:2::2", "2001:db8:1:2:ffff::3"}, false, 1},
      {"two addresses", {"203.0.113.11", "203.0.113.11", "203.0.113.12"}, false, 2},
      {"three addresses", {"203.0.113.13", "198.51.100.13", "2001:db8:1:3::1"}, true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString report = shareReport();
    for (const char* from : c.flaggers) flag(report, world->registerAuthor(from));
    const Reader reader(world->url());
    ASSERT_EQ(reader.store.state().kind, CommunityStore::State::Kind::loaded);
    EXPECT_EQ(reader.shows(report), !c.hidden);
    EXPECT_EQ(reader.store.flagCounts().at(report), c.counted);
  }
}

TEST_F(ModerationTest, AFloodOfFlagsOnOtherReportsCannotUnhideAReport) {
  const QString spam = shareReport("Spam");
  for (const char* from : {"203.0.113.21", "203.0.113.22", "203.0.113.23"}) flag(spam, world->registerAuthor(from));
  std::vector<QString> others;
  for (int i = 0; i < 200; ++i) others.push_back(shareReport("Other"));
  // Eleven authors, each from an address of its own, flag every other report: 2,200
  // newer flags than the spam report's three.
  for (int author = 0; author < 11; ++author) {
    const std::string token = world->registerAuthor("198.51.100." + std::to_string(author + 1));
    auto http = world->client();
    for (const QString& other : others) {
      const auto answer = http.Post("/v1/records", {{"Authorization", "Bearer " + token}},
                                    recordToJson(ServerWorld::newFlag(other)).dump(), "application/json");
      ASSERT_TRUE(answer && answer->status == 201);
    }
  }
  ASSERT_EQ(world->count("flags"), 2203);
  const Reader reader(world->url());
  ASSERT_EQ(reader.store.state().kind, CommunityStore::State::Kind::loaded);
  EXPECT_FALSE(reader.shows(spam)) << "the spam report's flags were pushed out";
  EXPECT_EQ(reader.store.flagCounts().at(spam), 3);
  EXPECT_EQ(reader.store.flagCounts().size(), 201u);
  EXPECT_TRUE(reader.store.visibleReports().empty());
}

// The server program, started on the world's database, with a proxy socket of its own.
class ServerProcess {
 public:
  ServerProcess(const std::string& conninfo, int registrationsPerHour) {
    program_.start(QStringLiteral(TESSORIN_COMMUNITY_SERVER_PROGRAM),
                   {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--database"),
                    QString::fromStdString(conninfo), QStringLiteral("--threads"), QStringLiteral("4"),
                    QStringLiteral("--registrations-per-hour"), QString::number(registrationsPerHour),
                    QStringLiteral("--proxy-socket"), QString::fromStdString(proxySocket_.path())});
    if (!program_.waitForStarted(10'000) || !program_.waitForReadyRead(30'000)) {
      throw std::runtime_error("the server did not start: " + program_.readAllStandardError().toStdString());
    }
    port_ = QString::fromUtf8(program_.readLine()).trimmed().section(QLatin1Char(':'), -1).toInt();
  }
  ~ServerProcess() {
    program_.terminate();
    if (!program_.waitForFinished(30'000)) program_.kill();
  }
  // The status and body of a registration forwarded for the address given, as nginx would.
  std::pair<int, std::string> registerFrom(const char* address) const {
    const std::string answer = testing::askOnProxySocket(
        proxySocket_.path(), std::string("POST /v1/authors HTTP/1.0\r\nX-Forwarded-For: ") + address +
                                 "\r\nContent-Length: 2\r\n\r\n{}");
    if (answer.size() < 12) return {0, {}};
    return {std::stoi(answer.substr(9, 3)), answer.substr(answer.find("\r\n\r\n") + 4)};
  }
  httplib::Client client() const { return httplib::Client("127.0.0.1", port_); }
  int port() const { return port_; }

 private:
  testing::ProxySocketPlace proxySocket_;
  QProcess program_;
  int port_ = 0;
};

TEST_F(ModerationTest, TwoServerProcessesOnOneDatabaseHoldOneLimit) {
  const ServerProcess first(world->postgres.conninfo(), 3);
  const ServerProcess second(world->postgres.conninfo(), 3);
  ASSERT_GT(first.port(), 0);
  ASSERT_GT(second.port(), 0);
  std::vector<int> statuses;
  for (const ServerProcess* server : {&first, &second, &first, &second, &first}) {
    statuses.push_back(server->registerFrom("203.0.113.30").first);
  }
  EXPECT_EQ(statuses, (std::vector<int>{201, 201, 201, 429, 429}));
  EXPECT_EQ(second.registerFrom("203.0.113.31").first, 201);

  // Authors of one address flagging through either process are one source.
  const QString report = shareReport();
  for (const ServerProcess* server : {&first, &second, &first}) {
    const std::string token =
        nlohmann::json::parse(server->registerFrom("203.0.113.32").second).at("token").get<std::string>();
    const auto answer = server->client().Post("/v1/records", {{"Authorization", "Bearer " + token}},
                                              recordToJson(ServerWorld::newFlag(report)).dump(), "application/json");
    ASSERT_EQ(answer->status, 201);
  }
  const Reader reader("http://127.0.0.1:" + std::to_string(second.port()));
  EXPECT_TRUE(reader.shows(report));
  EXPECT_EQ(reader.store.flagCounts().at(report), 1);
}

}  // namespace
}  // namespace tessorin
