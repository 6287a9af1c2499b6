// The community server under load, on 127.0.0.1 only, as the server tests deploy it (their
// Deployment: a PostgreSQL cluster of its own; here with the deployed threads, database
// connections and per-author limit) directly and, where nginx can run, through the proxy
// started from the shipped site file the way those tests start it (its per-address pace
// lifted: every client is 127.0.0.1), each route on a deployment of its own. 50 clients
// for a bounded time per case (10 s, at most 20, given as the first argument) either save
// reports, each client turning to a new author of its own, made when it needs one, whenever
// its author has shared all that an hour allows, or read the newest page of 400, over
// kept-alive or new connections.
//
// For each case it prints requests per second, the median, 99th percentile and longest
// wait, the errors, and the clients that were never served, which must be none; beside
// it the ratio to pgbench running the statements the server runs for that request, as the
// server runs them, on the same cluster with as many connections as the server has; and
// at the end what the proxy costs, each proxy case's rate against the direct one's. It
// fails on any error, any client never served, any pgbench run that failed, and any
// acknowledged save that PostgreSQL does not hold.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <variant>
#include <vector>

#include <QUuid>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "Command.hpp"
#include "Deployment.hpp"
#include "PgConnection.hpp"
#include "RecordRepository.hpp"
#include "community/rules/RecordJson.hpp"

namespace {

using namespace tessorin;
using Clock = std::chrono::steady_clock;

constexpr int clients = 50;
constexpr int preloadedReports = 2000;
constexpr int reportsPerPreloadedAuthor = 4;

enum class Kind { save, read };

struct Case {
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

// A report with every field given: pgbench, which runs the baseline, cannot send a NULL,
// and with no field left out the server's statements get no NULL either.
Record newReport(int client, int round) {
  Record record;
  record.recordType = QStringLiteral("StoreReport");
  record.recordName = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
  const QString store = QStringLiteral("Store %1").arg(client);
  record.fields = {{QStringLiteral("store"), store},
                   {QStringLiteral("storeKey"), store.toLower()},
                   {QStringLiteral("platform"), QStringLiteral("amazon")},
                   {QStringLiteral("country"), QStringLiteral("BR")},
                   {QStringLiteral("city"), QStringLiteral("Campinas")},
                   {QStringLiteral("brand"), QStringLiteral("SanDisk")},
                   {QStringLiteral("advertisedBytes"), std::int64_t{64'000'000'000} + round},
                   {QStringLiteral("realBytes"), std::int64_t{8'000'000'000}},
                   {QStringLiteral("verdict"), QStringLiteral("fake")},
                   {QStringLiteral("method"), QStringLiteral("quick")},
                   {QStringLiteral("manufacturerID"), std::int64_t{3}},
                   {QStringLiteral("price"), 9.99},
                   {QStringLiteral("currency"), QStringLiteral("BRL")},
                   {QStringLiteral("appVersion"), QStringLiteral("1.0")}};
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

// An author as registration stores one, made by a saver whenever its author has shared
// all that the server allows in an hour, however fast it saves: no real author shares
// more, so the count a save makes of its author's rows of the last hour never reads more
// than that. Registration itself is not what the bench measures, and its pace per address
// is the deployed one.
class Authors {
 public:
  explicit Authors(const Deployment& deployment)
      : db_(deployment.world.postgres.conninfo()), random_(std::random_device{}()) {}

  // A new author's token; a new one for every case, so that no case counts another's rows.
  std::string next() {
    static const char hex[] = "0123456789abcdef";
    std::string token;
    for (int digit = 0; digit < 64; digit += 16) {
      std::uint64_t bits = random_();
      for (int i = 0; i < 16; ++i, bits >>= 4) token += hex[bits & 0xF];
    }
    db_.exec("INSERT INTO authors (name, token_hash) VALUES (upper(gen_random_uuid()::text), sha256(convert_to($1, 'UTF8')))",
             {token});
    return token;
  }

 private:
  server::PgConnection db_;
  std::mt19937_64 random_;
};

Outcome run(const Case& c, const Deployment& deployment, std::chrono::seconds duration) {
  std::mutex lock;
  std::vector<double> waits;
  Outcome outcome;
  // The savers' connections to the database, made before the clock starts.
  std::vector<std::unique_ptr<Authors>> authors;
  for (int client = 0; c.kind == Kind::save && client < clients; ++client) {
    authors.push_back(std::make_unique<Authors>(deployment));
  }
  const int perHour = deployment.world.options.reportsPerHour;
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + duration;
  std::vector<std::thread> threads;
  for (int client = 0; client < clients; ++client) {
    threads.emplace_back([&, client] {
      // One client object, as one application has: without keep-alive it opens a new
      // connection (and makes a new TLS session) for every request.
      const std::unique_ptr<httplib::ClientImpl> http = newClient(deployment.port(), deployment.tls(), c.keepAlive);
      std::vector<double> mine;
      int served = 0;
      int errors = 0;
      httplib::Headers authorization;
      for (int round = 0; Clock::now() < end; ++round) {
        if (c.kind == Kind::save && round % perHour == 0) {
          authorization = {{"Authorization", "Bearer " + authors[static_cast<std::size_t>(client)]->next()}};
        }
        const Clock::time_point sent = Clock::now();
        httplib::Result answer =
            c.kind == Kind::save
                ? http->Post("/v1/records", authorization, recordToJson(newReport(client, round)).dump(),
                             "application/json")
                : http->Get("/v1/records?type=StoreReport&limit=" +
                            std::to_string(server::RecordRepository::reportPageLimit));
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

// pgbench's transactions per second for one script, with as many connections as the
// server has. -M prepared: each statement is prepared once per connection and sent its
// values as parameters of no stated type, as the server's connections send theirs.
double pgbenchRate(const std::string& conninfo, int connections, const std::string& script,
                   const std::vector<std::pair<std::string, std::string>>& values, std::chrono::seconds duration) {
  const std::string path = "/tmp/tessorin-bench-" + std::to_string(getpid()) + ".sql";
  std::ofstream(path) << script;
  std::vector<std::string> command{"pgbench", "-n", "-M", "prepared", "-c", std::to_string(connections), "-j",
                                   std::to_string(connections), "-T", std::to_string(duration.count()), "-f", path};
  for (const auto& [name, value] : values) {
    command.push_back("-D");
    command.push_back(name + "=" + value);
  }
  command.push_back(conninfo);
  const testing::CommandResult result = testing::runCommand(command);
  std::remove(path.c_str());
  const std::size_t found = result.output.find("tps = ");
  if (!result.ok() || found == std::string::npos || result.output.find("failed transactions: 0 ") == std::string::npos) {
    std::cerr << "community_server_bench: pgbench failed:\n" << result.output << "\n";
    return 0;
  }
  return std::stod(result.output.substr(found + 6));
}

// The columns the server reads a report back with.
const std::string reportColumns =
    "name, store, store_key, platform, country, city, brand, advertised_bytes, real_bytes, verdict, method, "
    "manufacturer_id, price, currency, app_version, (extract(epoch FROM created) * 1000000)::bigint, creator";

// A report's fields as the server sends them to PostgreSQL, as pgbench variables named
// after the fields.
std::vector<std::pair<std::string, std::string>> reportValues(const Record& report) {
  std::vector<std::pair<std::string, std::string>> values;
  for (const auto& [key, value] : report.fields) {
    std::string text;
    if (const QString* string = std::get_if<QString>(&value)) {
      text = string->toStdString();
    } else if (const std::int64_t* integer = std::get_if<std::int64_t>(&value)) {
      text = std::to_string(*integer);
    } else if (const double* number = std::get_if<double>(&value)) {
      char buffer[64];
      text.assign(buffer, std::to_chars(buffer, buffer + sizeof buffer, *number).ptr);
    }
    values.emplace_back(key.toStdString(), text);
  }
  return values;
}

// The statements of one save, as the server sends them and in its order: the author
// found by the token (outside the transaction), then the author's turn, the report's name
// looked up, the author's rows of the last hour counted, and the report stored.
//
// Each pgbench connection turns to a new author of its own, which it makes then, after as
// many saves as the server's clients do, so that no save waits for another's turn and
// each counts as many rows. pgbench makes numbers only: the authors' tokens are numbers,
// the name looked up is a new report's name that never exists (as the server's new one
// does not), and the name stored is the one value the database makes itself.
double pgbenchSaveRate(const Deployment& deployment, std::chrono::seconds duration) {
  const int connections = deployment.world.options.connections;
  const std::int64_t firstToken = 1'000'000'000'000'000'000;
  const std::string script =
      "\\set token " + std::to_string(firstToken) + " + :client_id + " + std::to_string(connections) +
      " * (:saves / :perHour)\n"
      "\\if :saves % :perHour = 0\n"
      "INSERT INTO authors (name, token_hash) VALUES (upper(gen_random_uuid()::text), "
      "sha256(convert_to(:token, 'UTF8')));\n"
      "\\endif\n"
      "SELECT name, (extract(epoch FROM clock_timestamp()) * 1000000)::bigint FROM authors "
      "WHERE token_hash = sha256(convert_to(:token, 'UTF8')) \\gset\n"
      // No later than the server waits for its answer, from the time the token was checked.
      "\\set latest :int8 + " +
      std::to_string(std::int64_t{deployment.world.options.statementTimeoutMs} * 1000) +
      "\n"
      "BEGIN;\n"
      "SELECT pg_advisory_xact_lock(7357003, hashtext(:name));\n"
      "SELECT " + reportColumns + " FROM reports WHERE name = :report;\n"
      "SELECT count(*) FROM (SELECT 1 FROM reports WHERE creator = :name AND created > clock_timestamp() - "
      "interval '1 hour' LIMIT :perHour::integer) recent;\n"
      "INSERT INTO reports (name, store, store_key, platform, country, city, brand, advertised_bytes, real_bytes, "
      "verdict, method, manufacturer_id, price, currency, app_version, creator) "
      "SELECT upper(gen_random_uuid()::text), :store::text, :storeKey::text, :platform::text, :country::text, "
      ":city::text, :brand::text, :advertisedBytes::bigint, :realBytes::bigint, :verdict::text, :method::text, "
      ":manufacturerID::integer, :price::double precision, :currency::text, :appVersion::text, :name::text "
      "WHERE clock_timestamp() < to_timestamp(0) + :latest::bigint * interval '1 microsecond' "
      "ON CONFLICT (name) DO NOTHING RETURNING " + reportColumns + ";\n"
      "COMMIT;\n"
      "\\set saves :saves + 1\n";
  const Record report = newReport(0, 0);
  std::vector<std::pair<std::string, std::string>> values = reportValues(report);
  values.emplace_back("report", report.recordName.toStdString());
  values.emplace_back("saves", "0");
  values.emplace_back("perHour", std::to_string(deployment.world.options.reportsPerHour));
  return pgbenchRate(deployment.world.postgres.conninfo(), connections, script, values, duration);
}

// The one statement of the newest page, as the server sends it. The first page has no
// cursor, which the server sends as two NULL parameters; pgbench cannot send a NULL, so
// they are NULLs in the text. The plan is the same scan of the newest rows; the server's
// plan, made once for any cursor, also asks of each row whether the cursor is NULL.
double pgbenchReadRate(const Deployment& deployment, std::chrono::seconds duration) {
  const std::string script =
      "SELECT * FROM (SELECT " + reportColumns +
      ", sum(size) OVER (ORDER BY created DESC, name DESC) AS running, size AS own FROM (SELECT *, " +
      std::to_string(server::RecordRepository::reportJsonOverhead) +
      " + octet_length(concat(store, store_key, platform, country, city, brand, verdict, method, currency, "
      "app_version)) AS size FROM reports WHERE NULL::bigint IS NULL OR (created, name) < "
      "(to_timestamp(0) + NULL::bigint * interval '1 microsecond', NULL::text) "
      "ORDER BY created DESC, name DESC LIMIT :rows::integer) newest) page WHERE running - own < :budget::bigint "
      "ORDER BY running;\n";
  // One row more than asked says whether another page follows.
  return pgbenchRate(deployment.world.postgres.conninfo(), deployment.world.options.connections, script,
                     {{"rows", std::to_string(server::RecordRepository::reportPageLimit + 1)},
                      {"budget", std::to_string(server::RecordRepository::reportPageBytes)}},
                     duration);
}

// Reports under the newest, as a community has them: a few from each of many authors.
// Were they all one author's, PostgreSQL would take any author to have most of the rows,
// and the plan the server's connections keep for counting an author's recent reports
// would read the whole table instead of the author's rows.
void preload(const Deployment& deployment) {
  server::PgConnection db(deployment.world.postgres.conninfo());
  db.exec(
      "INSERT INTO reports (name, store, store_key, platform, country, city, advertised_bytes, verdict, method, "
      "creator) SELECT upper(gen_random_uuid()::text), 'Bulk ' || i, 'bulk ' || i, 'amazon', 'BR', '', 1000, "
      "'fake', 'quick', upper(md5('author ' || i % $2::integer)::uuid::text) FROM generate_series(1, $1::integer) AS i",
      {std::to_string(preloadedReports), std::to_string(preloadedReports / reportsPerPreloadedAuthor)});
  db.exec("VACUUM ANALYZE");
}

// The machine's load average over the last minute: other work slows every figure down,
// and this says how much there was.
double machineLoad() {
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  return load;
}

std::int64_t storedReports(const Deployment& deployment) {
  server::PgConnection db(deployment.world.postgres.conninfo());
  return db.exec("SELECT count(*) FROM reports").integer(0, 0);
}

const char* kindName(Kind kind) { return kind == Kind::save ? "save" : "read"; }
const char* connectionName(bool keepAlive) { return keepAlive ? "kept" : "new"; }

}  // namespace

int main(int argc, char** argv) {
  const int perCase = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 20) : 10;
  const std::chrono::seconds duration(perCase);
  const std::string noPostgres = testing::postgresUnavailableReason();
  if (!noPostgres.empty()) {
    std::cerr << "community_server_bench: cannot run: " << noPostgres << "\n";
    return 1;
  }
  std::vector<bool> routes{false};
  if (const std::string noNginx = testing::nginxUnavailableReason(); noNginx.empty()) {
    routes.push_back(true);
  } else {
    std::cerr << "community_server_bench: no proxy cases: " << noNginx << "\n";
  }

  bool sound = true;
  // Requests per second by kind and connection, directly and through the proxy.
  std::map<std::pair<Kind, bool>, std::map<bool, double>> rates;
  for (const bool throughProxy : routes) {
    // The deployed server's database connections and per-author limit.
    Deployment deployment(
        throughProxy,
        [](server::ServerOptions& options) {
          options.connections = server::ServerOptions().connections;
          options.reportsPerHour = server::ServerOptions().reportsPerHour;
        },
        testing::NginxProxy::PerAddressPace::lifted);
    preload(deployment);
    const char* route = throughProxy ? "proxy" : "direct";
    const server::ServerOptions& options = deployment.world.options;
    std::printf("%s: %d clients, %d s a case, server %d threads over %d connections; pgbench runs the server's "
                "statements over as many\n",
                route, clients, perCase, options.threads, options.connections);
    std::printf("%-7s %-5s %-10s %10s %8s %8s %9s %10s %7s %8s %5s\n", "route", "kind", "connection", "requests/s",
                "p50 ms", "p99 ms", "max ms", "of pgbench", "errors", "unserved", "load");
    std::fflush(stdout);
    std::int64_t acknowledged = 0;
    std::int64_t stored = 0;
    for (const Kind kind : {Kind::save, Kind::read}) {
      // Right before the cases it anchors, so that other work on the machine weighs on both
      // alike.
      const double anchor =
          kind == Kind::save ? pgbenchSaveRate(deployment, duration) : pgbenchReadRate(deployment, duration);
      std::printf("%-7s %-5s %-10s %10.0f %61.2f\n", route, kindName(kind), "pgbench", anchor, machineLoad());
      sound = sound && anchor > 0;
      for (const bool keepAlive : {true, false}) {
        const std::int64_t storedBefore = storedReports(deployment);
        const Outcome outcome = run({kind, keepAlive}, deployment, duration);
        stored += storedReports(deployment) - storedBefore;
        std::printf("%-7s %-5s %-10s %10.0f %8.1f %8.1f %9.1f %10.2f %7d %8d %5.2f\n", route, kindName(kind),
                    connectionName(keepAlive), outcome.perSecond, outcome.p50, outcome.p99, outcome.longest,
                    anchor > 0 ? outcome.perSecond / anchor : 0.0, outcome.errors, outcome.neverServed, machineLoad());
        std::fflush(stdout);
        rates[{kind, keepAlive}][throughProxy] = outcome.perSecond;
        acknowledged += outcome.saved;
        sound = sound && outcome.errors == 0 && outcome.neverServed == 0;
      }
    }
    std::printf("%s: acknowledged saves %lld, in PostgreSQL %lld\n", route, static_cast<long long>(acknowledged),
                static_cast<long long>(stored));
    sound = sound && stored == acknowledged;
  }
  if (routes.size() > 1) {
    std::printf("the proxy's cost, its rate against the direct one's:\n");
    for (const Kind kind : {Kind::save, Kind::read}) {
      for (const bool keepAlive : {true, false}) {
        std::map<bool, double>& byRoute = rates[{kind, keepAlive}];
        std::printf("  %-5s %-5s %8.0f/s through the proxy, %8.0f/s directly: %.2f\n", kindName(kind),
                    connectionName(keepAlive), byRoute[true], byRoute[false],
                    byRoute[false] > 0 ? byRoute[true] / byRoute[false] : 0.0);
      }
    }
  }
  return sound ? 0 : 1;
}
