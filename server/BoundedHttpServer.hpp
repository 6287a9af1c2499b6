#pragma once
// BoundedHttpServer: the HTTP service with every client held to limits, so that a few
// slow, idle or greedy connections cannot take the threads that everyone else needs.
//
// cpp-httplib 0.11 as Debian builds it caps only the length of one header line and the
// wait for each single read; it has no deadline for a whole request, no cap on the number
// or total size of header lines, listens with a backlog of 5, inflates compressed bodies
// before any limit counts them and answers Range with a copy of the page per range. This
// class serves each connection itself, through the library's request parser:
//   - TCP_NODELAY on every connection, so a small response is not held back;
//   - at most a number of connections per client address at once (proxies excepted);
//     one more is answered 429 and closed;
//   - a connection idle between requests is closed after a short keep-alive, serves a
//     bounded number of requests and starts none after its time budget;
//   - a request must arrive whole (request line, headers and body) within a deadline and
//     within a byte budget, else the connection is closed;
//   - a request RequestScreen refuses is answered before its body is read, and the
//     connection closed; Range is ignored (the whole answer, 200);
//   - more header lines than allowed answer 431;
//   - after any 400 or 431 the connection is closed: what follows is not read as a request;
//   - Accept-Encoding is ignored: answers are never compressed;
//   - an exception from parsing, handling or writing (an allocation that fails) closes
//     that connection and is logged; the process goes on;
//   - the Keep-Alive header tells the idle time and request count it is held to;
//   - the listen backlog fits the thread count.
// A reverse proxy in front adds the same limits towards the Internet (server/deploy).

#include <chrono>
#include <cstddef>
#include <string>

#include <httplib.h>

#include "ClientAddress.hpp"
#include "ConnectionCap.hpp"

namespace tessorin::server {

class BoundedHttpServer : public httplib::Server {
 public:
  struct Limits {
    std::chrono::milliseconds keepAliveIdle{1000};
    int requestsPerConnection = 100;
    // No request starts on a connection older than this; the last one may take its own
    // deadline.
    std::chrono::milliseconds connectionBudget{20'000};
    std::size_t connectionsPerAddress = 8;
    std::chrono::milliseconds requestDeadline{10'000};
    std::chrono::milliseconds writeTimeout{10'000};
    std::size_t requestBytes = 64 * 1024;
    std::size_t headerCount = 50;
    int listenBacklog = 256;
  };

  // proxies are not held to the per-address cap; crowdedBody is the JSON answered with 429
  // to a connection over it. proxies must outlive the server.
  BoundedHttpServer(Limits limits, const ClientAddress& proxies, std::string crowdedBody);

  // Binds to address and port (0: any free port) with the backlog of the limits; the
  // port bound, or -1.
  int bind(const std::string& address, int port);

 private:
  bool process_and_close_socket(socket_t sock) override;
  // The requests of one connection; throws what parsing, handling or writing throws.
  bool serve(socket_t sock);
  void refuseCrowded(socket_t sock) const;
  void lingerAfterRefusal(socket_t sock) const;

  Limits limits_;
  ConnectionCap cap_;
  std::string crowdedAnswer_;
};

}  // namespace tessorin::server
