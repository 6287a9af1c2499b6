#pragma once
// ServerOptions: how the community server is started, from its command line:
//   --address A       address to listen on (127.0.0.1)
//   --port N          port; 0 picks a free one and prints it (8080)
//   --database C      libpq connection string ("": libpq's defaults and PG* variables)
//   --threads N       request threads (64), at each door (the address and port, and the
//                     proxy socket), each with a 4 MiB stack; a slow or idle client holds
//                     one of them
//   --connections N   database connections the threads share (8)
//   --statement-timeout MS   longest a statement may run (5000)
//   --reports-per-hour N, --flags-per-hour N   per author (30, 200)
//   --registrations-per-hour N                 per client address (20)
//                     all three counted in the database, so servers sharing it share
//                     the limits and a restart keeps them
//   --connections-per-address N  open connections one client address may hold at once
//                     on the address and port above (8; 0: no cap)
//   --proxy-socket PATH      a Unix socket for the reverse proxy, the one peer whose
//                     forwarded client address (X-Forwarded-For) is believed; each of its
//                     connections carries one request (none: no proxy)
//   --proxy-socket-group G   the group that may connect to it, the proxy's (the socket is
//                     0660; the server must belong to G). Without it, the server's own.
// The address and port are for direct use: a client address sent there is never believed.
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
  std::string proxySocket;
  std::string proxySocketGroup;

  // Throws std::invalid_argument naming the option that is wrong.
  static ServerOptions parse(const std::vector<std::string>& arguments);
  static const char* usage();
};

}  // namespace tessorin::server
