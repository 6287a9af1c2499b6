#pragma once
// ServerWorld: a PostgreSQL cluster of the test's own with a community server on it,
// reached over HTTP on 127.0.0.1 and, as nginx reaches it, on its proxy socket, with
// helpers to register authors, send records and count what PostgreSQL holds.

#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

#include <QUuid>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "CommunityServer.hpp"
#include "NginxProxy.hpp"
#include "PgConnection.hpp"
#include "PostgresServer.hpp"
#include "ProxySocketClient.hpp"
#include "community/rules/RecordJson.hpp"

namespace tessorin {

struct ServerWorld {
  testing::PostgresServer postgres;
  testing::ProxySocketPlace proxySocket;
  server::ServerOptions options = generousOptions(postgres.conninfo(), proxySocket.path());
  std::unique_ptr<server::CommunityServer> server;
  int port = 0;

  static server::ServerOptions generousOptions(const std::string& conninfo, const std::string& proxySocket) {
    server::ServerOptions options;
    options.port = 0;
    options.database = conninfo;
    options.threads = 32;
    options.connections = 4;
    options.reportsPerHour = 100'000;
    options.flagsPerHour = 100'000;
    options.registrationsPerHour = 100'000;
    options.connectionsPerAddress = 0;
    // So that a test can register authors from addresses of its choosing, and nginx
    // reach the server.
    options.proxySocket = proxySocket;
    if (geteuid() == 0) options.proxySocketGroup = testing::ProxySocketPlace::nginxWorkers;
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

  // A new author's token, registered from 127.0.0.1, or from the address given as nginx
  // would forward it.
  std::string registerAuthor(const std::string& from = {}) const {
    std::string body;
    if (from.empty()) {
      auto http = client();
      const auto answer = http.Post("/v1/authors", "{}", "application/json");
      if (!answer || answer->status != 201) throw std::runtime_error("registration failed");
      body = answer->body;
    } else {
      const std::string answer = testing::askOnProxySocket(
          options.proxySocket, "POST /v1/authors HTTP/1.0\r\nHost: 127.0.0.1\r\nX-Forwarded-For: " + from +
                                   "\r\nContent-Type: application/json\r\nContent-Length: 2\r\n\r\n{}");
      if (answer.rfind("HTTP/1.1 201 ", 0) != 0) throw std::runtime_error("registration failed: " + answer);
      body = answer.substr(answer.find("\r\n\r\n") + 4);
    }
    return nlohmann::json::parse(body).at("token").get<std::string>();
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
