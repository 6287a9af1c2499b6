// The server record store against an HTTP server whose answers the test writes: records
// that do not parse, cursors that never end, 404 or garbage from a wrong address, a save
// answered with nothing, replies too large or too slow, and addresses it must not use.

#include <functional>
#include <mutex>
#include <thread>

#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "AwaitTask.hpp"
#include "community/rules/RecordJson.hpp"
#include "community/store/CommunityError.hpp"
#include "community/store/CommunityStore.hpp"
#include "community/store/RecordStoreChoice.hpp"
#include "community/store/ServerRecordStore.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using Kind = CommunityStore::State::Kind;

struct Answer {
  int status = 200;
  std::string body;
};

// An HTTP server on 127.0.0.1 that answers each request with what the test says.
class ScriptedServer {
 public:
  std::function<Answer(const httplib::Request&)> records = [](const httplib::Request&) {
    return Answer{200, R"({"records": []})"};
  };
  std::function<Answer(const httplib::Request&)> save = [](const httplib::Request& request) {
    return Answer{201, request.body};
  };
  std::function<Answer()> registration = [] {
    return Answer{201, R"({"author": "AUTHOR", "token": ")" + std::string(64, 'a') + "\"}"};
  };

  ScriptedServer() {
    http_.Get("/v1/records", [this](const httplib::Request& q, httplib::Response& r) { reply(r, records(q)); });
    http_.Post("/v1/records", [this](const httplib::Request& q, httplib::Response& r) { reply(r, save(q)); });
    http_.Post("/v1/authors", [this](const httplib::Request&, httplib::Response& r) { reply(r, registration()); });
    port_ = http_.bind_to_any_port("127.0.0.1");
    serving_ = std::thread([this] { http_.listen_after_bind(); });
  }
  ~ScriptedServer() {
    http_.stop();
    serving_.join();
  }
  QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_)); }

 private:
  static void reply(httplib::Response& response, const Answer& answer) {
    response.status = answer.status;
    response.set_content(answer.body, "application/json");
  }
  httplib::Server http_;
  int port_ = 0;
  std::thread serving_;
};

std::string reportJson(const char* store = "Mega") {
  Record record;
  record.recordType = QStringLiteral("StoreReport");
  record.recordName = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
  record.fields = {{QStringLiteral("store"), QString::fromUtf8(store)},
                   {QStringLiteral("verdict"), QStringLiteral("fake")},
                   {QStringLiteral("advertisedBytes"), std::int64_t{1}}};
  record.creationDate = QDateTime::currentDateTimeUtc();
  record.creator = QStringLiteral("AUTHOR");
  return recordToJson(record).dump();
}

struct Client {
  explicit Client(const QUrl& url, ServerRecordStore::Limits limits = {})
      : settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
        store(settings, std::make_unique<ServerRecordStore>(settings, url, limits)) {}
  QTemporaryDir folder;
  QSettings settings;
  CommunityStore store;
};

TEST(ServerRecordStore, ReadsWhatParsesAndStopsWhatNeverEnds) {
  struct Case {
    const char* what;
    std::function<Answer(int page)> page;
    int pagesAsked;
    std::size_t reports;
  };
  const Case cases[] = {
      {"garbage among records",
       [](int) { return Answer{200, R"({"records": [)" + reportJson() + R"(, 5, {"recordType": 1}, "x", )" +
                                        reportJson() + "]}"}; },
       1, 2},
      {"endless cursor with nothing readable",
       [](int) { return Answer{200, R"({"records": [{"fields": {}}], "cursor": "more"})"}; }, 1, 0},
      {"endless cursor with one readable record each",
       [](int) { return Answer{200, R"({"records": [)" + reportJson() + R"(], "cursor": "more"})"}; }, 10, 10},
      {"a record of the other type",
       [](int) {
         return Answer{200, R"({"records": [{"recordType": "ReportFlag", "recordName": "A", "fields": {}}]})"};
       },
       1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedServer server;
    std::atomic<int> reportPages = 0;
    server.records = [&](const httplib::Request& request) {
      if (request.get_param_value("type") != "StoreReport") return Answer{200, R"({"records": []})"};
      return c.page(++reportPages);
    };
    Client client(server.url());
    awaitTask(client.store.load());
    EXPECT_EQ(client.store.state().kind, Kind::loaded) << client.store.state().message.toStdString();
    EXPECT_EQ(reportPages, c.pagesAsked);
    EXPECT_EQ(client.store.reports().size(), c.reports);
  }
}

TEST(ServerRecordStore, ErrorsOfEitherQueryAndGarbage) {
  const std::string unknown = R"({"code": 11, "message": "There are no records of this type."})";
  const std::string longMessage = R"({"code": 15, "message": ")" + std::string(300, 'x') + "\"}";
  struct Case {
    const char* what;
    Answer reports;
    Answer flags;
    Kind state;
    std::size_t reportsHeld;
    QString message;
  };
  const QString wrongAddress =
      QStringLiteral("The community server’s address does not lead to a community server; check the setting "
                     "\"CommunityServer\".");
  const Case cases[] = {
      {"an empty community", {200, R"({"records": []})"}, {200, R"({"records": []})"}, Kind::loaded, 0, {}},
      {"code 11 on reports", {404, unknown}, {200, R"({"records": []})"}, Kind::failed, 0, wrongAddress},
      {"code 11 on flags", {200, R"({"records": [)" + reportJson() + "]}"}, {404, unknown}, Kind::failed, 0,
       wrongAddress},
      {"another server's page not found", {404, "<html>Not Found</html>"}, {404, "<html>"}, Kind::failed, 0,
       wrongAddress},
      {"garbage body", {200, "<html>"}, {200, "{}"}, Kind::failed, 0, wrongAddress},
      {"records not a list", {200, R"({"records": 5})"}, {200, "{}"}, Kind::failed, 0, wrongAddress},
      {"server error without a body", {502, ""}, {200, "{}"}, Kind::failed, 0,
       QStringLiteral("The community server answered with status 502.")},
      {"a long message is cut", {500, longMessage}, {200, "{}"}, Kind::failed, 0, QString(200, QLatin1Char('x'))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedServer server;
    server.records = [&](const httplib::Request& request) {
      return request.get_param_value("type") == "StoreReport" ? c.reports : c.flags;
    };
    Client client(server.url());
    awaitTask(client.store.load());
    EXPECT_EQ(client.store.state().kind, c.state);
    EXPECT_EQ(client.store.state().message, c.message);
    EXPECT_EQ(client.store.reports().size(), c.reportsHeld);
  }
}

TEST(ServerRecordStore, RepliesTooLargeOrTooSlowFail) {
  ScriptedServer server;
  server.records = [](const httplib::Request& request) {
    if (request.get_param_value("limit") == "400") return Answer{200, std::string(5 * 1024 * 1024, ' ')};
    std::this_thread::sleep_for(1500ms);
    return Answer{200, R"({"records": []})"};
  };
  QTemporaryDir folder;
  QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  ServerRecordStore records(settings, server.url(), {std::chrono::milliseconds(500), 4 * 1024 * 1024});
  try {
    awaitTask(records.query({QStringLiteral("StoreReport"), true, 400, std::nullopt}));
    ADD_FAILURE() << "read 5 MiB";
  } catch (const RecordStoreError& error) {
    EXPECT_EQ(error.code, RecordErrorCode::limitExceeded);
  }
  try {
    awaitTask(records.query({QStringLiteral("ReportFlag"), false, 2000, std::nullopt}));
    ADD_FAILURE() << "waited past the time limit";
  } catch (const RecordStoreError& error) {
    EXPECT_EQ(error.code, RecordErrorCode::networkFailure);
    EXPECT_EQ(error.description, QStringLiteral("The community server did not answer in time."));
  }
}

TEST(ServerRecordStore, ASaveAnsweredWithNothingFailsWithCode1) {
  for (const char* body : {"", "{}", "not json"}) {
    SCOPED_TRACE(body);
    ScriptedServer server;
    server.save = [body](const httplib::Request&) { return Answer{201, body}; };
    Client client(server.url());
    Purchase purchase;
    purchase.store = "Mega";
    try {
      awaitTask(client.store.share(CheckRecord{}, purchase));
      ADD_FAILURE() << "shared";
    } catch (const RecordStoreError& error) {
      EXPECT_EQ(error.code, RecordErrorCode::internalError);
    }
    EXPECT_TRUE(client.store.reports().empty());
  }
}

TEST(ServerRecordStore, ASaveWithoutAnAnswerIsSentAgainUnderItsOwnName) {
  struct Case {
    const char* what;
    std::vector<int> statuses;  // what the server answers each time it is sent the save
    int sends;
    bool shared;
  };
  const Case cases[] = {
      {"503 once", {503, 201}, 2, true},
      {"503 twice", {503, 503, 201}, 3, true},
      {"503 every time", {503, 503, 503, 201}, 3, false},
      {"a refusal is not sent again", {409, 201}, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedServer server;
    std::mutex lock;
    std::vector<std::string> bodies;
    server.save = [&](const httplib::Request& request) {
      std::lock_guard guard(lock);
      bodies.push_back(request.body);
      const int status = c.statuses[std::min(bodies.size(), c.statuses.size()) - 1];
      return Answer{status, status == 201 ? request.body : R"({"code": 15, "message": "later"})"};
    };
    Client client(server.url(), {std::chrono::milliseconds(5000), 4 * 1024 * 1024, 2, std::chrono::milliseconds(50)});
    Purchase purchase;
    purchase.store = "Mega";
    bool shared = false;
    try {
      awaitTask(client.store.share(CheckRecord{}, purchase));
      shared = true;
    } catch (const RecordStoreError&) {
    }
    EXPECT_EQ(shared, c.shared);
    ASSERT_EQ(static_cast<int>(bodies.size()), c.sends);
    for (const std::string& body : bodies) EXPECT_EQ(body, bodies.front()) << "a resend is the same record";
  }
}

TEST(ServerRecordStore, RegistersOnceAndReplacesATokenTheServerForgot) {
  ScriptedServer server;
  std::mutex lock;
  int registrations = 0;
  std::vector<std::string> tokens;
  server.registration = [&] {
    std::lock_guard guard(lock);
    ++registrations;
    return Answer{201, R"({"author": "AUTHOR", "token": ")" + std::string(64, static_cast<char>('a' + registrations)) + "\"}"};
  };
  server.save = [&](const httplib::Request& request) {
    std::lock_guard guard(lock);
    tokens.push_back(request.get_header_value("Authorization"));
    // The first token is forgotten at once.
    if (tokens.size() == 1) return Answer{401, R"({"code": 9, "message": "unknown"})"};
    return Answer{201, request.body};
  };
  Client client(server.url());
  Purchase purchase;
  purchase.store = "Mega";
  awaitTask(client.store.share(CheckRecord{}, purchase));
  awaitTask(client.store.share(CheckRecord{}, purchase));
  EXPECT_EQ(registrations, 2);
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_NE(tokens[0], tokens[1]);
  EXPECT_EQ(tokens[1], tokens[2]);

  server.registration = [] { return Answer{429, R"({"code": 7, "message": "Too many accounts."})"}; };
  server.save = [](const httplib::Request&) { return Answer{401, R"({"code": 9, "message": "unknown"})"}; };
  try {
    awaitTask(client.store.share(CheckRecord{}, purchase));
    ADD_FAILURE() << "shared";
  } catch (const CommunityError& error) {
    EXPECT_EQ(error, CommunityError::notSignedIn);
  }
}

TEST(ServerRecordStore, UsesOnlyHttpsOrThisComputer) {
  struct Case {
    const char* url;
    bool usable;
  };
  const Case cases[] = {
      {"https://community.example", true}, {"https://community.example/base/", true},
      {"http://127.0.0.1:8080", true},     {"http://[::1]:8080", true},
      {"http://localhost", true},          {"http://community.example", false},
      {"http://10.0.0.1", false},          {"ftp://127.0.0.1", false},
      {"not a url", false},                {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ServerRecordStore::isAcceptableServer(QUrl(QString::fromUtf8(c.url))), c.usable) << c.url;

  QTemporaryDir folder;
  QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  CommunityStore store(settings, std::make_unique<ServerRecordStore>(settings, QUrl(QStringLiteral("http://community.example"))));
  EXPECT_FALSE(store.isAvailable());
}

TEST(RecordStoreChoice, TheSettingNamesTheServerElseTheRecordsStayHere) {
  struct Case {
    const char* setting;  // nullptr: not set
    bool usable;
    bool localFile;
  };
  const Case cases[] = {
      {nullptr, true, true},
      {"", true, true},
      {"http://127.0.0.1:9", true, false},
      {"http://community.example", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting ? c.setting : "unset");
    QTemporaryDir folder;
    QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    if (c.setting) settings.setValue(QStringLiteral("CommunityServer"), QString::fromUtf8(c.setting));
    const std::unique_ptr<RecordStore> records = makeRecordStore(settings, folder.path());
    EXPECT_EQ(records->isUsable(), c.usable);
    EXPECT_EQ(QFileInfo::exists(folder.filePath(QStringLiteral("Community.sqlite"))), c.localFile);
  }
}

}  // namespace
}  // namespace tessorin
