#pragma once
// ServerWorld: a PostgreSQL cluster of the test's own with a community server on it,
// reached over HTTP on 127.0.0.1, with helpers to register authors, send records and
// count what PostgreSQL holds.

#include <memory>
#include <optional>
#include <string>

#include <QUuid>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "CommunityServer.hpp"
#include "PgConnection.hpp"
#include "PostgresServer.hpp"
#include "community/rules/RecordJson.hpp"

namespace tessorin {

struct ServerWorld {
  testing::PostgresServer postgres;
  server::ServerOptions options = generousOptions(postgres.conninfo());
  std::unique_ptr<server::CommunityServer> server;
  int port = 0;

  static server::ServerOptions generousOptions(const std::string& conninfo) {
    server::ServerOptions options;
    options.port = 0;
    options.database = conninfo;
    options.threads = 32;
    options.connections = 4;
    options.reportsPerHour = 100'000;
    options.flagsPerHour = 100'000;
    options.registrationsPerHour = 100'000;
    options.connectionsPerAddress = 0;
    // So that a test can register authors from addresses of its choosing.
    options.trustedProxies = {"127.0.0.1"};
    return options;
  }

  ServerWorld() { startServer(); }

  // A world whose server gives up on a database that does not answer within ms (and a
  // half-second grace), so that tests of a stopped database run quickly.
  static std::unique_ptr<ServerWorld> withStatementTimeout(int ms) {
    auto world = std::make_unique<ServerWorld>();
    world->stopServer();
    world->options.statementTimeoutMs = ms;
    world->startServer();
    return world;
  }
  ~ServerWorld() { server.reset(); }

  void startServer() {
    server = std::make_unique<server::CommunityServer>(options);
    port = server->start();
  }
  void stopServer() { server.reset(); }

  std::string url() const { return "http://127.0.0.1:" + std::to_string(port); }
  httplib::Client client() const {
    httplib::Client http("127.0.0.1", port);
    http.set_read_timeout(30, 0);
    return http;
  }

  // A new author's token, registered from 127.0.0.1, or from the address given as a
  // trusted proxy would forward it.
  std::string registerAuthor(const std::string& from = {}) const {
    auto http = client();
    httplib::Headers headers;
    if (!from.empty()) headers.emplace("X-Forwarded-For", from);
    const auto answer = http.Post("/v1/authors", headers, "{}", "application/json");
    if (!answer || answer->status != 201) throw std::runtime_error("registration failed");
    return nlohmann::json::parse(answer->body).at("token").get<std::string>();
  }

  // A valid report or flag under a new name, as a client would send it.
  static Record newReport(const QString& store, const QString& verdict = QStringLiteral("fake")) {
    Record report;
    report.recordType = QStringLiteral("StoreReport");
    report.recordName = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    report.fields = {{QStringLiteral("store"), store},
                     {QStringLiteral("storeKey"), store.toLower()},
                     {QStringLiteral("platform"), QStringLiteral("amazon")},
                     {QStringLiteral("country"), QStringLiteral("BR")},
                     {QStringLiteral("city"), QString()},
                     {QStringLiteral("advertisedBytes"), std::int64_t{1000}},
                     {QStringLiteral("verdict"), verdict},
                     {QStringLiteral("method"), QStringLiteral("quick")}};
    return report;
  }
  static Record newFlag(const QString& report) {
    Record flag;
    flag.recordType = QStringLiteral("ReportFlag");
    flag.recordName = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    flag.fields[QStringLiteral("report")] = RecordReference{report};
    return flag;
  }

  httplib::Result post(const Record& record, const std::string& token) const {
    auto http = client();
    return http.Post("/v1/records", {{"Authorization", "Bearer " + token}}, recordToJson(record).dump(),
                     "application/json");
  }

  std::int64_t count(const char* table) const {
    server::PgConnection db(postgres.conninfo());
    const std::string sql = std::string("SELECT count(*) FROM ") + table;
    return db.exec(sql.c_str()).integer(0, 0);
  }
};

}  // namespace tessorin
