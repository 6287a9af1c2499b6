// The community server under load: PostgreSQL and the server on 127.0.0.1, 50 clients
// for 20 s, each saving a report and reading the newest page in a loop (rate limits
// raised). Prints requests per second and the median and 99th-percentile latency of each
// kind. Fails on any error and on any acknowledged save that PostgreSQL does not hold or
// paging does not find.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include <QUuid>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "CommunityServer.hpp"
#include "PgConnection.hpp"
#include "PostgresServer.hpp"
#include "community/rules/RecordJson.hpp"

namespace {

using namespace tessorin;
using Clock = std::chrono::steady_clock;

constexpr int clients = 50;
constexpr auto duration = std::chrono::seconds(20);

struct Latencies {
  std::vector<double> milliseconds;
  double percentile(double p) {
    if (milliseconds.empty()) return 0;
    std::sort(milliseconds.begin(), milliseconds.end());
    return milliseconds[static_cast<std::size_t>(p * static_cast<double>(milliseconds.size() - 1))];
  }
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

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main() {
  const std::string unavailable = testing::postgresUnavailableReason();
  if (!unavailable.empty()) {
    std::cerr << "community_server_bench: cannot run: " << unavailable << "\n";
    return 1;
  }
  testing::PostgresServer postgres(testing::PostgresServer::Options{true});
  server::ServerOptions options;
  options.port = 0;
  options.database = postgres.conninfo();
  options.threads = 16;
  options.reportsPerHour = 100'000'000;
  options.flagsPerHour = 100'000'000;
  options.registrationsPerHour = 100'000'000;
  server::CommunityServer community(options);
  const int port = community.start();

  std::mutex lock;
  Latencies saves;
  Latencies reads;
  std::set<std::string> acknowledged;
  std::atomic<int> errors = 0;
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + duration;
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      httplib::Client http("127.0.0.1", port);
      http.set_keep_alive(true);
      http.set_read_timeout(30, 0);
      const auto registered = http.Post("/v1/authors", "{}", "application/json");
      if (!registered || registered->status != 201) {
        ++errors;
        return;
      }
      const std::string token = nlohmann::json::parse(registered->body).at("token").get<std::string>();
      const httplib::Headers authorization{{"Authorization", "Bearer " + token}};
      std::vector<double> mySaves;
      std::vector<double> myReads;
      std::vector<std::string> mine;
      for (int round = 0; Clock::now() < end; ++round) {
        const Record record = newReport(c, round);
        Clock::time_point sent = Clock::now();
        const auto saved = http.Post("/v1/records", authorization, recordToJson(record).dump(), "application/json");
        mySaves.push_back(millisecondsSince(sent));
        if (!saved || saved->status != 201) {
          ++errors;
          continue;
        }
        mine.push_back(record.recordName.toStdString());
        sent = Clock::now();
        const auto page = http.Get("/v1/records?type=StoreReport&limit=100");
        myReads.push_back(millisecondsSince(sent));
        if (!page || page->status != 200) ++errors;
      }
      std::lock_guard guard(lock);
      saves.milliseconds.insert(saves.milliseconds.end(), mySaves.begin(), mySaves.end());
      reads.milliseconds.insert(reads.milliseconds.end(), myReads.begin(), myReads.end());
      acknowledged.insert(mine.begin(), mine.end());
    });
  }
  for (std::thread& thread : threads) thread.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

  // Every acknowledged save must be in PostgreSQL and be found by paging.
  server::PgConnection db(postgres.conninfo());
  const std::int64_t stored = db.exec("SELECT count(*) FROM reports").integer(0, 0);
  std::set<std::string> paged;
  std::optional<std::string> cursor;
  httplib::Client http("127.0.0.1", port);
  do {
    std::string path = "/v1/records?type=StoreReport&limit=400";
    if (cursor) path += "&cursor=" + *cursor;
    const auto answer = http.Get(path);
    if (!answer || answer->status != 200) {
      ++errors;
      break;
    }
    const auto page = nlohmann::json::parse(answer->body);
    for (const auto& record : page.at("records")) paged.insert(record.at("recordName").get<std::string>());
    cursor = page.contains("cursor") ? std::optional(page.at("cursor").get<std::string>()) : std::nullopt;
  } while (cursor);
  const auto lost = std::count_if(acknowledged.begin(), acknowledged.end(),
                                  [&](const std::string& name) { return paged.count(name) == 0; });
  community.stop();

  std::cout << "community_server_bench: " << clients << " clients for " << seconds << " s, " << options.threads
            << " server threads\n";
  std::cout << "  saves: " << saves.milliseconds.size() << " (" << static_cast<double>(saves.milliseconds.size()) / seconds
            << " per second), p50 " << saves.percentile(0.5) << " ms, p99 " << saves.percentile(0.99) << " ms\n";
  std::cout << "  reads: " << reads.milliseconds.size() << " (" << static_cast<double>(reads.milliseconds.size()) / seconds
            << " per second), p50 " << reads.percentile(0.5) << " ms, p99 " << reads.percentile(0.99) << " ms\n";
  std::cout << "  errors: " << errors << ", acknowledged: " << acknowledged.size() << ", in PostgreSQL: " << stored
            << ", found by paging: " << paged.size() << ", lost: " << lost << "\n";
  return errors == 0 && lost == 0 && stored == static_cast<std::int64_t>(acknowledged.size()) ? 0 : 1;
}
