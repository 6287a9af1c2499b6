#include "BoundedHttpServer.hpp"

#include <algorithm>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

#include "ConnectionStream.hpp"
#include "RequestScreen.hpp"

namespace tessorin::server {

namespace {

// The refusal RequestScreen found for the request this thread is serving: set while the
// request is set up, answered by the pre-routing handler, which runs on the same thread
// before any body is read.
thread_local int screenedStatus = 0;
// The status of the answer this thread wrote last.
thread_local int answeredStatus = 0;

// An answer after which the rest of what the client sent cannot be trusted to start a
// request: parsing on would serve whatever the client hid after its first one.
bool endsTheConnection(int status) { return status == 400 || status == 431; }

}  // namespace

BoundedHttpServer::BoundedHttpServer(Limits limits, const ClientAddress& proxies, std::string crowdedBody)
    : limits_(limits), cap_(limits.connectionsPerAddress, proxies) {
  crowdedAnswer_ = "HTTP/1.1 429 Too Many Requests\r\nContent-Type: application/json\r\nContent-Length: " +
                   std::to_string(crowdedBody.size()) + "\r\nConnection: close\r\n\r\n" + crowdedBody;
  // The library's default also sets SO_REUSEPORT, which would let a second server on the
  // same port take half of the connections unnoticed.
  set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  // Only written into the Keep-Alive header: the connection loop below enforces both.
  const auto idleSeconds = std::chrono::ceil<std::chrono::seconds>(limits_.keepAliveIdle).count();
  set_keep_alive_timeout(static_cast<time_t>(std::max<std::int64_t>(1, idleSeconds)));
  set_keep_alive_max_count(static_cast<std::size_t>(limits_.requestsPerConnection));
  const std::size_t headerCount = limits_.headerCount;
  set_logger([](const httplib::Request&, const httplib::Response& response) { answeredStatus = response.status; });
  set_pre_routing_handler([headerCount](const httplib::Request& request, httplib::Response& response) {
    if (screenedStatus != 0) {
      response.status = std::exchange(screenedStatus, 0);
      return HandlerResponse::Handled;
    }
    if (request.headers.size() <= headerCount) return HandlerResponse::Unhandled;
    response.status = 431;
    response.set_header("Connection", "close");
    return HandlerResponse::Handled;
  });
}

int BoundedHttpServer::bind(const std::string& address, int port) {
  const int bound = port == 0 ? bind_to_any_port(address) : (bind_to_port(address, port) ? port : -1);
  // The library listens with a backlog of 5; listening again only widens it.
  if (bound >= 0 && ::listen(svr_sock_, limits_.listenBacklog) != 0) return -1;
  return bound;
}

void BoundedHttpServer::refuseCrowded(socket_t sock) const {
  // Never waits: a client that does not take the answer at once does not get it.
  send(sock, crowdedAnswer_.data(), crowdedAnswer_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void BoundedHttpServer::lingerAfterRefusal(socket_t sock) const {
  // The client may still be sending the body that was refused unread; closing with it in
  // the receive buffer would reset the connection, which can destroy the answer before
  // the client reads it. So the answer is finished first and a bounded rest taken.
  shutdown(sock, SHUT_WR);
  const auto until = ConnectionStream::Clock::now() + std::chrono::seconds(1);
  std::size_t drained = 0;
  char sink[4096];
  while (drained < limits_.requestBytes) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - ConnectionStream::Clock::now()).count();
    pollfd ready{sock, POLLIN, 0};
    if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) <= 0) break;
    const ssize_t got = recv(sock, sink, sizeof sink, 0);
    if (got <= 0) break;
    drained += static_cast<std::size_t>(got);
  }
}

bool BoundedHttpServer::process_and_close_socket(socket_t sock) {
  bool served = false;
  try {
    served = serve(sock);
  } catch (const std::exception& error) {
    // Most likely memory this request could not have: the connection is given up, the
    // process and everyone else's requests go on.
    std::fprintf(stderr, "tessorin-community-server: a connection was closed: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "tessorin-community-server: a connection was closed after an unknown failure\n");
  }
  screenedStatus = 0;
  shutdown(sock, SHUT_RDWR);
  close(sock);
  return served;
}

bool BoundedHttpServer::serve(socket_t sock) {
  const int yes = 1;
  setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  ConnectionStream stream(sock, limits_.writeTimeout, [this] { return svr_sock_ == INVALID_SOCKET; });
  std::string peer;
  int peerPort = 0;
  stream.get_remote_ip_and_port(peer, peerPort);
  const std::optional<ConnectionCap::Slot> slot = cap_.admit(peer);
  if (!slot) {
    refuseCrowded(sock);
    return true;
  }
  using Clock = ConnectionStream::Clock;
  const Clock::time_point budgetEnd = Clock::now() + limits_.connectionBudget;
  bool served = true;
  for (int request = 1; request <= limits_.requestsPerConnection; ++request) {
    const Clock::time_point now = Clock::now();
    if (now >= budgetEnd) break;
    const auto idle = std::min<Clock::duration>(limits_.keepAliveIdle, budgetEnd - now);
    if (!stream.awaitRequest(std::chrono::ceil<std::chrono::milliseconds>(idle))) break;
    stream.beginRequest(Clock::now() + limits_.requestDeadline, limits_.requestBytes);
    // The client is told when this is the last request the connection takes.
    const bool last = request == limits_.requestsPerConnection || Clock::now() + limits_.requestDeadline >= budgetEnd;
    bool closed = false;
    bool refused = false;
    answeredStatus = 0;
    served = process_request(stream, last, closed, [&refused](httplib::Request& parsed) {
      parsed.ranges.clear();
      parsed.headers.erase("Range");
      // Never compressed: a small request would make the server spend many times the CPU
      // and memory of the plain answer.
      parsed.headers.erase("Accept-Encoding");
      if (const auto status = screenRequest(parsed)) {
        refused = true;
        screenedStatus = *status;
        // Nothing of the body is read, so nothing after it on this connection can be.
        parsed.headers.erase("Expect");
        parsed.headers.erase("Connection");
        parsed.set_header("Connection", "close");
      }
    });
    screenedStatus = 0;
    const bool untrusted = refused || endsTheConnection(answeredStatus);
    if (untrusted) lingerAfterRefusal(sock);
    if (!served || closed || untrusted || last || stream.overran()) break;
  }
  return served;
}

}  // namespace tessorin::server
