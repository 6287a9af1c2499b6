// The community server under load, on 127.0.0.1 only: a PostgreSQL cluster of its own,
// the server (64 threads over 8 database connections) and, where nginx can run, the
// proxy of its deployment in front of it (its per-address pace lifted: every client is
// 127.0.0.1). 50 clients for a bounded time per case (10 s, at most 20, given as the
// first argument) either save reports or read the newest page of 400, over kept-alive or
// new connections, directly and through the proxy.
//
// For each case it prints requests per second, the median, 99th percentile and longest
// wait, the errors, and the clients that were never served, which must be none; and the
// same SQL run by pgbench on the same cluster with as many connections as the server
// has, whose rate is the anchor of the ratio printed beside each case. It fails on any
// error, any client never served, and any acknowledged save that PostgreSQL does not hold.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QUuid>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "Command.hpp"
#include "CommunityServer.hpp"
#include "NginxProxy.hpp"
#include "PgConnection.hpp"
#include "PostgresServer.hpp"
#include "community/rules/RecordJson.hpp"

namespace {

using namespace tessorin;
using Clock = std::chrono::steady_clock;

constexpr int clients = 50;
constexpr int connections = 8;
constexpr int preloadedReports = 2000;

enum class Kind { save, read };

struct Case {
  const char* route;
  bool throughProxy;
  Kind kind;
  bool keepAlive;
};

struct Outcome {
  double perSecond = 0;
  double p50 = 0;
  double p99 = 0;
  double longest = 0;
  int errors = 0;
  int neverServed = 0;
  std::int64_t saved = 0;
};

Record newReport(int client, int round) {
  Record record;
  record.recordType = QStringLiteral("StoreReport");
  record.recordName = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
  const QString store = QStringLiteral("Store %1").arg(client);
  record.fields = {{QStringLiteral("store"), store},
                   {QStringLiteral("storeKey"), store.toLower()},
                   {QStringLiteral("platform"), QStringLiteral("amazon")},
                   {QStringLiteral("country"), QStringLiteral("BR")},
                   {QStringLiteral("city"), QString()},
                   {QStringLiteral("advertisedBytes"), std::int64_t{64'000'000'000} + round},
                   {QStringLiteral("verdict"), QStringLiteral("fake")},
                   {QStringLiteral("method"), QStringLiteral("quick")}};
  return record;
}

double percentile(std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  return sorted[static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1))];
}

std::unique_ptr<httplib::ClientImpl> newClient(int port, bool tls, bool keepAlive) {
  std::unique_ptr<httplib::ClientImpl> http;
  if (tls) {
    auto https = std::make_unique<httplib::SSLClient>("127.0.0.1", port);
    https->enable_server_certificate_verification(false);
    http = std::move(https);
  } else {
    http = std::make_unique<httplib::ClientImpl>("127.0.0.1", port);
  }
  http->set_keep_alive(keepAlive);
  // This client sends a request's headers and body in two writes; Nagle's algorithm would
  // hold the body back until the headers are acknowledged, 40 ms later, a cost of the
  // client library and not of the server.
  http->set_tcp_nodelay(true);
  http->set_connection_timeout(10, 0);
  http->set_read_timeout(10, 0);
  http->set_write_timeout(10, 0);
  return http;
}

Outcome run(const Case& c, int port, const std::vector<std::string>& tokens, std::chrono::seconds duration) {
  std::mutex lock;
  std::vector<double> waits;
  Outcome outcome;
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + duration;
  std::vector<std::thread> threads;
  for (int client = 0; client < clients; ++client) {
    threads.emplace_back([&, client] {
      const httplib::Headers authorization{{"Authorization", "Bearer " + tokens[static_cast<std::size_t>(client)]}};
      // One client object, as one application has: without keep-alive it opens a new
      // connection (and makes a new TLS session) for every request.
      const std::unique_ptr<httplib::ClientImpl> http = newClient(port, c.throughProxy, c.keepAlive);
      std::vector<double> mine;
      int served = 0;
      int errors = 0;
      for (int round = 0; Clock::now() < end; ++round) {
        const Clock::time_point sent = Clock::now();
        httplib::Result answer =
            c.kind == Kind::save
                ? http->Post("/v1/records", authorization, recordToJson(newReport(client, round)).dump(),
                             "application/json")
                : http->Get("/v1/records?type=StoreReport&limit=400");
        mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        if (answer && answer->status == (c.kind == Kind::save ? 201 : 200)) {
          ++served;
        } else {
          ++errors;
        }
      }
      std::lock_guard guard(lock);
      waits.insert(waits.end(), mine.begin(), mine.end());
      outcome.errors += errors;
      if (c.kind == Kind::save) outcome.saved += served;
      if (served == 0) ++outcome.neverServed;
    });
  }
  for (std::thread& thread : threads) thread.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::sort(waits.begin(), waits.end());
  outcome.perSecond = static_cast<double>(waits.size() - static_cast<std::size_t>(outcome.errors)) / seconds;
  outcome.p50 = percentile(waits, 0.5);
  outcome.p99 = percentile(waits, 0.99);
  outcome.longest = waits.empty() ? 0 : waits.back();
  return outcome;
}

// pgbench's transactions per second for one script on the cluster, with as many
// connections as the server has, prepared once per connection as the server does.
double pgbenchRate(const testing::PostgresServer& postgres, const std::string& script, std::chrono::seconds duration) {
  const std::string path = "/tmp/tessorin-bench-" + std::to_string(getpid()) + ".sql";
  std::ofstream(path) << script;
  const testing::CommandResult result = testing::runCommand(
      {"pgbench", "-n", "-M", "prepared", "-c", std::to_string(connections), "-j", std::to_string(connections), "-T",
       std::to_string(duration.count()), "-f", path, postgres.conninfo()});
  std::remove(path.c_str());
  const std::size_t found = result.output.find("tps = ");
  if (!result.ok() || found == std::string::npos) {
    std::cerr << "community_server_bench: pgbench failed:\n" << result.output << "\n";
    return 0;
  }
  return std::stod(result.output.substr(found + 6));
}

}  // namespace

int main(int argc, char** argv) {
  const int perCase = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 20) : 10;
  const std::chrono::seconds duration(perCase);
  const std::string noPostgres = testing::postgresUnavailableReason();
  if (!noPostgres.empty()) {
    std::cerr << "community_server_bench: cannot run: " << noPostgres << "\n";
    return 1;
  }
  testing::PostgresServer postgres(testing::PostgresServer::Options{true});
  server::ServerOptions options;
  options.port = 0;
  options.database = postgres.conninfo();
  options.connections = connections;
  options.reportsPerHour = 100'000'000;
  options.flagsPerHour = 100'000'000;
  options.registrationsPerHour = 100'000'000;
  // Every client comes from 127.0.0.1, which no proxy stands for any longer.
  options.connectionsPerAddress = 0;
  const testing::ProxySocketPlace proxySocket;
  options.proxySocket = proxySocket.path();
  if (testing::nginxUnavailableReason().empty()) options.proxySocketGroup = testing::ProxySocketPlace::nginxWorkers;
  server::CommunityServer community(options);
  const int port = community.start();
  std::unique_ptr<testing::NginxProxy> proxy;
  if (const std::string noNginx = testing::nginxUnavailableReason(); noNginx.empty()) {
    // Every client comes from 127.0.0.1: the site's per-address pace would measure itself.
    proxy = std::make_unique<testing::NginxProxy>(proxySocket.path(), testing::NginxProxy::PerAddressPace::lifted);
  } else {
    std::cerr << "community_server_bench: no proxy cases: " << noNginx << "\n";
  }

  server::PgConnection db(postgres.conninfo());
  db.exec(
      "INSERT INTO reports (name, store, store_key, platform, country, city, advertised_bytes, verdict, method, "
      "creator) SELECT upper(gen_random_uuid()::text), 'Bulk ' || i, 'bulk ' || i, 'amazon', 'BR', '', 1000, "
      "'fake', 'quick', 'BULK' FROM generate_series(1, $1::integer) AS i",
      {std::to_string(preloadedReports)});
  std::vector<std::string> tokens;
  httplib::Client registering("127.0.0.1", port);
  for (int client = 0; client < clients; ++client) {
    const auto registered = registering.Post("/v1/authors", "{}", "application/json");
    if (!registered || registered->status != 201) {
      std::cerr << "community_server_bench: registration failed\n";
      return 1;
    }
    tokens.push_back(nlohmann::json::parse(registered->body).at("token").get<std::string>());
  }
  db.exec("VACUUM ANALYZE");

  // The statements the server runs for one request, as it sends them.
  const std::string columns =
      "name, store, store_key, platform, country, city, brand, advertised_bytes, real_bytes, verdict, method, "
      "manufacturer_id, price, currency, app_version, (extract(epoch FROM created) * 1000000)::bigint, creator";
  const double saveAnchor = pgbenchRate(
      postgres,
      "SELECT name FROM authors WHERE token_hash = sha256(convert_to('" + tokens.front() + "', 'UTF8'));\n" +
          // Each pgbench client an author of its own, as each of the server's clients is.
          "BEGIN;\nSELECT pg_advisory_xact_lock(7357003, hashtext('PGBENCH' || :client_id));\n" +
          "SELECT " + columns + " FROM reports WHERE name = upper(gen_random_uuid()::text);\n" +
          "SELECT count(*) FROM (SELECT 1 FROM reports WHERE creator = 'PGBENCH' || :client_id AND created > "
          "clock_timestamp() - interval '1 hour' LIMIT 1000000) recent;\n" +
          "INSERT INTO reports (name, store, store_key, platform, country, city, brand, advertised_bytes, real_bytes, "
          "verdict, method, manufacturer_id, price, currency, app_version, creator) VALUES "
          "(upper(gen_random_uuid()::text), 'Store 1', 'store 1', 'amazon', 'BR', '', NULL, 64000000000, NULL, 'fake', "
          "'quick', NULL, NULL, NULL, NULL, 'PGBENCH' || :client_id) RETURNING " + columns + ";\nCOMMIT;\n",
      duration);
  const double readAnchor = pgbenchRate(
      postgres,
      "SELECT * FROM (SELECT " + columns +
          ", sum(size) OVER (ORDER BY created DESC, name DESC) AS running, size AS own FROM (SELECT *, 512 + "
          "octet_length(concat(store, store_key, platform, country, city, brand, verdict, method, currency, "
          "app_version)) AS size FROM reports WHERE NULL::bigint IS NULL OR (created, name) < (to_timestamp(0) + "
          "NULL::bigint * interval '1 microsecond', NULL::text) ORDER BY created DESC, name DESC LIMIT 401) newest) "
          "page WHERE running - own < 262144 ORDER BY running;\n",
      duration);

  std::vector<Case> cases;
  for (const bool throughProxy : {false, true}) {
    if (throughProxy && !proxy) continue;
    for (const Kind kind : {Kind::save, Kind::read}) {
      for (const bool keepAlive : {true, false}) {
        cases.push_back({throughProxy ? "proxy" : "direct", throughProxy, kind, keepAlive});
      }
    }
  }
  std::printf("community_server_bench: %d clients, %d s a case, server %d threads over %d connections\n", clients,
              perCase, options.threads, options.connections);
  std::printf("pgbench, %d connections, same SQL: save %.0f/s, read of 400 %.0f/s\n", connections, saveAnchor,
              readAnchor);
  std::printf("%-7s %-5s %-10s %10s %8s %8s %9s %9s %7s %7s\n", "route", "kind", "connection", "requests/s", "p50 ms",
              "p99 ms", "max ms", "of pgbench", "errors", "unserved");
  bool sound = true;
  std::int64_t acknowledged = 0;
  for (const Case& c : cases) {
    const Outcome outcome = run(c, c.throughProxy ? proxy->port() : port, tokens, duration);
    const double anchor = c.kind == Kind::save ? saveAnchor : readAnchor;
    std::printf("%-7s %-5s %-10s %10.0f %8.1f %8.1f %9.1f %8.0f %% %7d %7d\n", c.route,
                c.kind == Kind::save ? "save" : "read", c.keepAlive ? "kept" : "new", outcome.perSecond, outcome.p50,
                outcome.p99, outcome.longest, anchor > 0 ? 100 * outcome.perSecond / anchor : 0.0, outcome.errors,
                outcome.neverServed);
    std::fflush(stdout);
    acknowledged += outcome.saved;
    sound = sound && outcome.errors == 0 && outcome.neverServed == 0;
  }
  const std::int64_t stored =
      db.exec("SELECT count(*) FROM reports WHERE creator <> 'BULK' AND creator NOT LIKE 'PGBENCH%'").integer(0, 0);
  proxy.reset();
  community.stop();
  std::printf("acknowledged saves %lld, in PostgreSQL %lld\n", static_cast<long long>(acknowledged),
              static_cast<long long>(stored));
  return sound && stored == acknowledged ? 0 : 1;
}
