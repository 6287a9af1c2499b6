#pragma once
// ServerOptions: how the community server is started, from its command line:
//   --address A       address to listen on (127.0.0.1)
//   --port N          port; 0 picks a free one and prints it (8080)
//   --database C      libpq connection string ("": libpq's defaults and PG* variables)
//   --threads N       request threads (64); a slow or idle client holds one of them
//   --connections N   database connections the threads share (8)
//   --statement-timeout MS   longest a statement may run (5000)
//   --reports-per-hour N, --flags-per-hour N   per author (30, 200)
//   --registrations-per-hour N                 per client address (20)
//                     all three counted in the database, so servers sharing it share
//                     the limits and a restart keeps them
//   --connections-per-address N  open connections one client address may hold at once
//                     (8; 0: no cap); trusted proxies are not capped
//   --trusted-proxy A[/BITS]  a reverse proxy whose forwarded client address is believed;
//                     may be given more than once (none: the peer is the client)
// A plain value.

#include <stdexcept>
#include <string>
#include <vector>

namespace tessorin::server {

struct ServerOptions {
  std::string address = "127.0.0.1";
  int port = 8080;
  std::string database;
  int threads = 64;
  int connections = 8;
  int statementTimeoutMs = 5000;
  int reportsPerHour = 30;
  int flagsPerHour = 200;
  int registrationsPerHour = 20;
  int connectionsPerAddress = 8;
  std::vector<std::string> trustedProxies;

  // Throws std::invalid_argument naming the option that is wrong.
  static ServerOptions parse(const std::vector<std::string>& arguments);
  static const char* usage();
};

}  // namespace tessorin::server
