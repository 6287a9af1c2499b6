// The community server on a real PostgreSQL: paging ends at the community store's bound
// and never repeats or skips a record while others are saved or when many share one
// time; flags count once per author; a lost token is replaced; every invalid request is
// refused with 4xx and adds no row; texts are stored verbatim; rate limits answer 429; a
// restart keeps everything.

#include <atomic>
#include <csignal>
#include <set>
#include <thread>

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include "AwaitTask.hpp"
#include "RecordRepository.hpp"
#include "ServerWorld.hpp"
#include "community/store/CommunityAccount.hpp"
#include "community/store/CommunityError.hpp"
#include "community/store/CommunityStore.hpp"
#include "community/store/ServerRecordStore.hpp"
#include "community/store/StoreReport.hpp"

namespace tessorin {
namespace {

QString newName() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

Record report(const char* store = "Mega Store") {
  CheckRecord check;
  check.advertisedBytes = 64'000'000'000;
  check.verdict = CheckOutcome::Verdict::fake;
  Purchase purchase;
  purchase.store = store;
  purchase.country = "PT";
  purchase.price = 3.99;
  purchase.currency = "EUR";
  return makeStoreReportRecord(check, purchase, QStringLiteral("0.1.0"));
}

Record flagOf(const QString& reportName) {
  Record flag;
  flag.recordType = QStringLiteral("ReportFlag");
  flag.recordName = newName();
  flag.fields[QStringLiteral("report")] = RecordReference{reportName};
  return flag;
}

// An installation of the application: its own settings, a community store on the server.
struct Installation {
  // path: what the setting adds to the server's address.
  explicit Installation(const ServerWorld& world, const std::string& path = {})
      : settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
        store(settings,
              std::make_unique<ServerRecordStore>(settings, QUrl(QString::fromStdString(world.url() + path)))) {}
  QTemporaryDir folder;
  QSettings settings;
  CommunityStore store;
};

void insertReports(const ServerWorld& world, int count) {
  server::PgConnection db(world.postgres.conninfo());
  db.exec(
      "INSERT INTO reports (name, store, store_key, platform, country, city, advertised_bytes, verdict, method, "
      "creator) SELECT upper(gen_random_uuid()::text), 'Bulk ' || i, 'bulk ' || i, 'amazon', 'BR', '', 1000, "
      "'fake', 'quick', 'BULK' FROM generate_series(1, $1::integer) AS i",
      {std::to_string(count)});
}

class CommunityServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSORIN_REQUIRE_POSTGRES();
    world = std::make_unique<ServerWorld>();
  }
  std::unique_ptr<ServerWorld> world;
};

TEST_F(CommunityServerTest, FivePagesOfReportsStopAtTwoThousand) {
  insertReports(*world, 2100);
  Installation here(*world);
  awaitTask(here.store.load());
  EXPECT_EQ(here.store.state().kind, CommunityStore::State::Kind::loaded) << here.store.state().message.toStdString();
  EXPECT_EQ(here.store.reports().size(), 2000u);
  EXPECT_TRUE(here.store.flagCounts().empty());
}

TEST_F(CommunityServerTest, PagesOfLongReportsAreShorterAndTheListStaysWhole) {
  server::PgConnection db(world->postgres.conninfo());
  db.exec(
      "INSERT INTO reports (name, store, store_key, platform, country, city, advertised_bytes, verdict, method, "
      "creator) SELECT upper(gen_random_uuid()::text), 'Long ' || i || repeat('s', 1000), 'long ' || i || "
      "repeat('s', 1000), 'amazon', 'BR', repeat('c', 1000), 1000, 'fake', 'quick', 'BULK' "
      "FROM generate_series(1, 500) AS i");
  auto http = world->client();
  const auto page = http.Get("/v1/records?type=StoreReport&limit=400");
  ASSERT_TRUE(page);
  const nlohmann::json body = nlohmann::json::parse(page->body);
  EXPECT_LT(body.at("records").size(), 400u);
  EXPECT_TRUE(body.contains("cursor"));
  EXPECT_LE(page->body.size(), static_cast<std::size_t>(server::RecordRepository::reportPageBytes));
  Installation here(*world);
  awaitTask(here.store.load());
  EXPECT_EQ(here.store.reports().size(), 500u);
}

TEST_F(CommunityServerTest, AWrongPathIsTheCommunitysFailureAndNotAnEmptyCommunity) {
  const QString wrongAddress =
      QStringLiteral("The community server’s address does not lead to a community server; check the setting "
                     "\"CommunityServer\".");
  struct Case {
    const char* path;
    CommunityStore::State::Kind state;
    QString message;
  };
  const Case cases[] = {
      {"", CommunityStore::State::Kind::loaded, {}},
      {"/", CommunityStore::State::Kind::loaded, {}},
      {"/community", CommunityStore::State::Kind::failed, wrongAddress},
      {"/v1", CommunityStore::State::Kind::failed, wrongAddress},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Installation here(*world, c.path);
    awaitTask(here.store.load());
    EXPECT_EQ(here.store.state().kind, c.state);
    EXPECT_EQ(here.store.state().message, c.message);
  }
  Installation wrong(*world, "/community");
  CheckRecord check;
  check.verdict = CheckOutcome::Verdict::fake;
  Purchase purchase;
  purchase.store = "Mega";
  try {
    awaitTask(wrong.store.share(check, purchase));
    ADD_FAILURE() << "shared through a wrong address";
  } catch (const RecordStoreError& error) {
    EXPECT_EQ(error.description, wrongAddress);
  }
}

TEST_F(CommunityServerTest, SharedReportComesBackWithWhatTheServerSet) {
  Installation here(*world);
  CheckRecord check;
  check.advertisedBytes = 32'000'000'000;
  check.verdict = CheckOutcome::Verdict::genuine;
  Purchase purchase;
  purchase.store = "Loja do Zé";
  purchase.country = "BR";
  purchase.price = 12.5;
  purchase.currency = "BRL";
  const QString name = awaitTask(here.store.share(check, purchase));
  Installation elsewhere(*world);
  awaitTask(elsewhere.store.load());
  ASSERT_EQ(elsewhere.store.reports().size(), 1u);
  const StoreReport& shared = elsewhere.store.reports().front();
  EXPECT_EQ(shared.id, name);
  EXPECT_EQ(shared.store, QStringLiteral("Loja do Zé"));
  EXPECT_EQ(shared.price, 12.5);
  EXPECT_EQ(shared.author, CommunityAccount::stored(here.settings, QString::fromStdString(world->url()))->author);
  EXPECT_LE(std::abs(shared.date.secsTo(QDateTime::currentDateTimeUtc())), 60);
}

TEST_F(CommunityServerTest, FlagsCountOncePerAuthor) {
  const std::string author = world->registerAuthor();
  const Record shared = report();
  ASSERT_EQ(world->post(shared, author)->status, 201);

  const std::string flagger = world->registerAuthor();
  const auto first = world->post(flagOf(shared.recordName), flagger);
  ASSERT_EQ(first->status, 201);
  for (int i = 0; i < 2; ++i) {
    const auto again = world->post(flagOf(shared.recordName), flagger);
    ASSERT_EQ(again->status, 200);
    EXPECT_EQ(nlohmann::json::parse(again->body).at("recordName"), nlohmann::json::parse(first->body).at("recordName"));
  }
  EXPECT_EQ(world->count("flags"), 1);
  {
    Installation reader(*world);
    awaitTask(reader.store.load());
    EXPECT_EQ(reader.store.visibleReports().size(), 1u);
  }
  for (const char* from : {"203.0.113.1", "203.0.113.2"}) {
    ASSERT_EQ(world->post(flagOf(shared.recordName), world->registerAuthor(from))->status, 201);
  }
  Installation reader(*world);
  awaitTask(reader.store.load());
  EXPECT_EQ(reader.store.flagCounts().at(shared.recordName), 3);
  EXPECT_TRUE(reader.store.visibleReports().empty());
}

TEST_F(CommunityServerTest, ALostTokenIsReplacedOnce) {
  Installation here(*world);
  const QString server = QString::fromStdString(world->url());
  CommunityAccount{server, QStringLiteral("FORGOTTEN"), QString(64, QLatin1Char('a'))}.store(here.settings);
  awaitTask(here.store.share(CheckRecord{}, [] {
    Purchase purchase;
    purchase.store = "Mega";
    return purchase;
  }()));
  const auto account = CommunityAccount::stored(here.settings, server);
  ASSERT_TRUE(account.has_value());
  EXPECT_NE(account->author, QStringLiteral("FORGOTTEN"));
  EXPECT_EQ(world->count("authors"), 1);
  EXPECT_EQ(world->count("reports"), 1);
}

TEST_F(CommunityServerTest, ARefusedRegistrationIsNotSignedIn) {
  world->stopServer();
  world->options.registrationsPerHour = 1;
  world->startServer();
  world->registerAuthor();  // the one this address may make
  Installation here(*world);
  Purchase purchase;
  purchase.store = "Mega";
  try {
    awaitTask(here.store.share(CheckRecord{}, purchase));
    ADD_FAILURE() << "shared";
  } catch (const CommunityError& error) {
    EXPECT_EQ(error, CommunityError::notSignedIn);
    EXPECT_EQ(error.description(),
              QStringLiteral("The community server didn’t accept this computer’s community account."));
  }
  EXPECT_EQ(world->count("reports"), 0);
}

TEST_F(CommunityServerTest, EveryInvalidRequestIsRefusedAndAddsNoRow) {
  const std::string token = world->registerAuthor();
  const Record stored = report();
  ASSERT_EQ(world->post(stored, token)->status, 201);
  const auto json = [](const Record& record) { return recordToJson(record).dump(); };
  const auto changed = [](std::function<void(Record&)> change) {
    Record record = report();
    change(record);
    return record;
  };
  struct Case {
    const char* what;
    std::string body;
    std::string token;
  };
  const std::string bad64(64, 'f');
  const Case cases[] = {
      {"no token", json(report()), ""},
      {"unknown token", json(report()), bad64},
      {"not JSON", "{store: 1", token},
      {"JSON of another shape", R"({"recordType": "StoreReport"})", token},
      {"unknown type", json(changed([](Record& r) { r.recordType = QStringLiteral("Note"); })), token},
      {"name in use by another report", json(changed([&](Record& r) {
         r.recordName = stored.recordName;
         r.fields[QStringLiteral("city")] = QStringLiteral("Porto");
       })), token},
      {"lower-case name", json(changed([](Record& r) { r.recordName = r.recordName.toLower(); })), token},
      {"extra key", json(changed([](Record& r) { r.fields[QStringLiteral("x")] = std::int64_t{1}; })), token},
      {"link as store", json(changed([](Record& r) {
         r.fields[QStringLiteral("store")] = QStringLiteral("www.x.example");
         r.fields[QStringLiteral("storeKey")] = QStringLiteral("www.x.example");
       })), token},
      {"store key of another store",
       json(changed([](Record& r) { r.fields[QStringLiteral("storeKey")] = QStringLiteral("'); DELETE FROM reports; --"); })),
       token},
      {"negative bytes", json(changed([](Record& r) { r.fields[QStringLiteral("advertisedBytes")] = std::int64_t{-1}; })),
       token},
      {"price without currency", json(changed([](Record& r) { r.fields.erase(QStringLiteral("currency")); })), token},
      {"flag of no report", json(flagOf(newName())), token},
      {"flag with a text", json([] {
         Record flag = flagOf(newName());
         flag.fields[QStringLiteral("report")] = QStringLiteral("x");
         return flag;
       }()), token},
      {"body over 16 KiB", std::string(17 * 1024, ' '), token},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto http = world->client();
    httplib::Headers headers;
    if (!c.token.empty()) headers.emplace("Authorization", "Bearer " + c.token);
    const auto answer = http.Post("/v1/records", headers, c.body, "application/json");
    ASSERT_TRUE(answer);
    EXPECT_GE(answer->status, 400);
    EXPECT_LT(answer->status, 500);
    const auto body = nlohmann::json::parse(answer->body, nullptr, false);
    EXPECT_TRUE(body.is_object() && body.contains("code") && body.at("message").is_string()) << answer->body;
  }
  for (const char* query : {"/v1/records?type=Note", "/v1/records?type=StoreReport&limit=x",
                            "/v1/records?type=StoreReport&cursor=1_%27%3B",
                            "/v1/records?type=StoreReport&cursor=9223372036854775807_00000000-0000-0000-0000-000000000000",
                            "/v1/records?type=StoreReport&cursor=-9223372036854775808_00000000-0000-0000-0000-000000000000",
                            "/v1/nothing"}) {
    SCOPED_TRACE(query);
    auto http = world->client();
    const auto answer = http.Get(query);
    ASSERT_TRUE(answer);
    EXPECT_GE(answer->status, 400);
    EXPECT_LT(answer->status, 500);
  }
  auto http = world->client();
  EXPECT_EQ(nlohmann::json::parse(http.Get("/v1/records?type=Note")->body).at("code"), 11);
  EXPECT_EQ(world->count("reports"), 1);
  EXPECT_EQ(world->count("flags"), 0);
}

TEST_F(CommunityServerTest, SqlMetacharactersAreStoredVerbatim) {
  const std::string token = world->registerAuthor();
  const char* stores[] = {"Robert'); DROP TABLE reports;--", "100% \\ _off_ \"quoted\" $1", "Ünïcödé ✓ 店"};
  for (const char* store : stores) ASSERT_EQ(world->post(report(store), token)->status, 201) << store;
  Installation reader(*world);
  awaitTask(reader.store.load());
  std::set<QString> read;
  for (const StoreReport& shared : reader.store.reports()) read.insert(shared.store);
  for (const char* store : stores) EXPECT_EQ(read.count(QString::fromUtf8(store)), 1u) << store;
}

TEST_F(CommunityServerTest, PastTheRateLimitTheAnswerIs429) {
  world->stopServer();
  world->options.reportsPerHour = 2;
  world->startServer();
  const std::string token = world->registerAuthor();
  EXPECT_EQ(world->post(report(), token)->status, 201);
  EXPECT_EQ(world->post(report(), token)->status, 201);
  const auto refused = world->post(report(), token);
  EXPECT_EQ(refused->status, 429);
  EXPECT_EQ(nlohmann::json::parse(refused->body).at("code"), 7);
  EXPECT_EQ(world->post(report(), world->registerAuthor())->status, 201) << "another author has a limit of its own";
  EXPECT_EQ(world->count("reports"), 3);
}

TEST_F(CommunityServerTest, PagingWhileOthersSaveNeitherRepeatsNorSkips) {
  insertReports(*world, 1000);
  std::atomic<bool> paging = true;
  std::thread saving([&] {
    const std::string token = world->registerAuthor();
    while (paging) world->post(report(), token);
  });
  std::multiset<std::string> seen;
  std::optional<std::string> cursor;
  do {
    auto http = world->client();
    std::string path = "/v1/records?type=StoreReport&limit=100";
    if (cursor) path += "&cursor=" + *cursor;
    const auto answer = http.Get(path);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200);
    const auto page = nlohmann::json::parse(answer->body);
    for (const auto& record : page.at("records")) seen.insert(record.at("recordName").get<std::string>());
    cursor = page.contains("cursor") ? std::optional(page.at("cursor").get<std::string>()) : std::nullopt;
  } while (cursor);
  paging = false;
  saving.join();

  server::PgConnection db(world->postgres.conninfo());
  const auto bulk = db.exec("SELECT name FROM reports WHERE creator = 'BULK'");
  ASSERT_EQ(bulk.rows(), 1000);
  for (int row = 0; row < bulk.rows(); ++row) EXPECT_EQ(seen.count(bulk.text(row, 0)), 1u);
  EXPECT_EQ(std::set<std::string>(seen.begin(), seen.end()).size(), seen.size());
}

// Reports that share their time to the microsecond (a bulk import, a busy moment) are told
// apart by their names, on the page and in the cursor.
TEST_F(CommunityServerTest, ReportsSavedInOneMicrosecondArePagedOnceEach) {
  server::PgConnection db(world->postgres.conninfo());
  db.exec(
      "INSERT INTO reports (name, store, store_key, platform, country, city, advertised_bytes, verdict, method, "
      "creator, created) SELECT upper(gen_random_uuid()::text), 'Tie ' || i, 'tie ' || i, 'amazon', 'BR', '', 1000, "
      "'fake', 'quick', 'TIE', timestamptz '2026-03-04 05:06:07.891011+00' FROM generate_series(1, 25) AS i");
  std::vector<std::string> seen;
  std::optional<std::string> cursor;
  for (int pages = 0; pages < 20; ++pages) {
    auto http = world->client();
    const auto answer = http.Get("/v1/records?type=StoreReport&limit=4" + (cursor ? "&cursor=" + *cursor : ""));
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200) << answer->body;
    const auto page = nlohmann::json::parse(answer->body);
    for (const auto& record : page.at("records")) seen.push_back(record.at("recordName").get<std::string>());
    cursor = page.contains("cursor") ? std::optional(page.at("cursor").get<std::string>()) : std::nullopt;
    if (!cursor) break;
  }
  EXPECT_FALSE(cursor) << "paging did not end";
  const auto tied = db.exec("SELECT name FROM reports ORDER BY created DESC, name DESC");
  ASSERT_EQ(tied.rows(), 25);
  std::vector<std::string> expected;
  for (int row = 0; row < tied.rows(); ++row) expected.push_back(tied.text(row, 0));
  EXPECT_EQ(seen, expected);
}

TEST_F(CommunityServerTest, ARestartKeepsEverything) {
  const std::string token = world->registerAuthor();
  const Record shared = report();
  ASSERT_EQ(world->post(shared, token)->status, 201);
  ASSERT_EQ(world->post(flagOf(shared.recordName), token)->status, 201);
  world->stopServer();
  world->postgres.restart();
  world->startServer();
  EXPECT_EQ(world->post(report(), token)->status, 201) << "the token is still known";
  EXPECT_EQ(world->count("reports"), 2);
  EXPECT_EQ(world->count("flags"), 1);
  auto http = world->client();
  const auto page = nlohmann::json::parse(http.Get("/v1/records?type=StoreReport")->body);
  EXPECT_EQ(page.at("records").size(), 2u);
}

TEST_F(CommunityServerTest, TheProgramPrintsItsPortAndStopsOnSigterm) {
  QProcess program;
  program.start(QStringLiteral(TESSORIN_COMMUNITY_SERVER_PROGRAM),
                {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--database"),
                 QString::fromStdString(world->postgres.conninfo()), QStringLiteral("--threads"), QStringLiteral("2")});
  ASSERT_TRUE(program.waitForStarted(10'000));
  ASSERT_TRUE(program.waitForReadyRead(30'000)) << program.readAllStandardError().toStdString();
  const QString line = QString::fromUtf8(program.readLine()).trimmed();
  const int port = line.section(QLatin1Char(':'), -1).toInt();
  ASSERT_GT(port, 0) << line.toStdString();
  httplib::Client http("127.0.0.1", port);
  const auto answer = http.Get("/v1/records?type=ReportFlag");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 200);
  ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
  ASSERT_TRUE(program.waitForFinished(30'000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
}

}  // namespace
}  // namespace tessorin
