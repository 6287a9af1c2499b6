#pragma once
// CommunityServer: the community's records over HTTP, in JSON (RecordJson), on
// PostgreSQL.
//   POST /v1/authors                  a new author identity {author, token}
//   GET  /v1/records?type=&limit=&cursor=
//        StoreReport: newest first, at most 400 a page, continued by a keyset cursor;
//        ReportFlag: the flags of the newest reports, grouped per report, at most three
//        of each from different client addresses, at most 2000 a page, continued by a
//        cursor
//   POST /v1/records                  save one record, "Authorization: Bearer <token>"
// Errors answer {code, message}: 400 (12) for what the validator refuses, 401 (9) for an
// unknown token, 404 (11) for an unknown record type or flagged report, 409 (14) for a
// name in use, 413 (27) for a body over 16 KiB, 415 for a compressed body, 400 for
// ambiguous framing, 405 for any method but GET, HEAD and POST, 411 for a POST that gives
// no length, 431 for too many header lines, 429 (7) past a rate limit, for too many connections from one address or while too many
// are still sending, 503 (15) when the database cannot answer in time or too many
// connections wait for a request thread. A report sent again by its author with the same name and content is answered
// 201 with the stored one, so that a retry after a lost answer never makes a second
// report. Every limit is counted in the database, so that servers sharing it share the
// limits and a restart keeps them. Client addresses (the forwarded one on the proxy's
// socket) are kept only hashed, with the author they registered, for the registration limit and so that
// authors from one address flag a report once.
//
// Many request threads share a few database connections: a thread is held by a slow or
// idle client, a connection only while a statement runs. The same routes are served at
// two doors, each with threads of its own: the address and port for direct use, and the
// reverse proxy's Unix socket when one is named. start() binds both, starts their request
// threads and serves each on a thread of its own; stop() ends them.

#include <memory>
#include <thread>

#include <httplib.h>

#include "BoundedHttpServer.hpp"
#include "ConnectionPool.hpp"
#include "ServerOptions.hpp"
#include "ThrottledLog.hpp"

namespace tessorin::server {

class CommunityServer {
 public:
  static constexpr std::size_t maximumBodyBytes = 16 * 1024;

  // Connects to the database and makes or migrates its schema; throws PgError or
  // std::runtime_error.
  explicit CommunityServer(const ServerOptions& options);
  ~CommunityServer();

  // Binds to the address and port of the options (and the proxy's socket) and serves;
  // returns the port bound. Throws std::runtime_error when either cannot be bound, or
  // their threads cannot be started (naming --threads).
  int start();
  void stop();

 private:
  void route(BoundedHttpServer& door);
  void registerAuthor(const httplib::Request& request, httplib::Response& response);
  void listRecords(const httplib::Request& request, httplib::Response& response);
  void saveRecord(const httplib::Request& request, httplib::Response& response);

  ServerOptions options_;
  // Both doors' failures, so that one kind is written once a second however many fail.
  ThrottledLog log_;
  ConnectionPool pool_;
  BoundedHttpServer direct_;
  std::unique_ptr<BoundedHttpServer> proxy_;
  std::thread servingDirect_;
  std::thread servingProxy_;
};

}  // namespace tessorin::server
