#pragma once
// BoundedHttpServer: the HTTP service with every client held to limits, so that a few
// slow, idle or greedy connections cannot take the threads that everyone else needs.
//
// cpp-httplib 0.11 as Debian builds it caps only the length of one header line and the
// wait for each single read; it has no deadline for a whole request, no cap on the number
// or total size of header lines, and listens with a backlog of 5. This class serves each
// connection itself, through the library's request parser:
//   - TCP_NODELAY on every connection, so a small response is not held back;
//   - a connection idle between requests is closed after a short keep-alive, and serves
//     a bounded number of requests;
//   - a request must arrive whole (request line, headers and body) within a deadline and
//     within a byte budget, else the connection is closed;
//   - more header lines than allowed answer 431;
//   - the listen backlog fits the thread count.
// A reverse proxy in front adds the same limits towards the Internet (server/deploy).

#include <chrono>
#include <cstddef>
#include <string>

#include <httplib.h>

namespace tessorin::server {

class BoundedHttpServer : public httplib::Server {
 public:
  struct Limits {
    std::chrono::milliseconds keepAliveIdle{1000};
    int requestsPerConnection = 100;
    std::chrono::milliseconds requestDeadline{10'000};
    std::chrono::milliseconds writeTimeout{10'000};
    std::size_t requestBytes = 64 * 1024;
    std::size_t headerCount = 50;
    int listenBacklog = 256;
  };

  explicit BoundedHttpServer(Limits limits);

  // Binds to address and port (0: any free port) with the backlog of the limits; the
  // port bound, or -1.
  int bind(const std::string& address, int port);

 private:
  bool process_and_close_socket(socket_t sock) override;

  Limits limits_;
};

}  // namespace tessorin::server
