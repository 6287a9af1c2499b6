#include "BoundedHttpServer.hpp"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ConnectionStream.hpp"

namespace tessorin::server {

BoundedHttpServer::BoundedHttpServer(Limits limits) : limits_(limits) {
  // The library's default also sets SO_REUSEPORT, which would let a second server on the
  // same port take half of the connections unnoticed.
  set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  const std::size_t headerCount = limits_.headerCount;
  set_pre_routing_handler([headerCount](const httplib::Request& request, httplib::Response& response) {
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

bool BoundedHttpServer::process_and_close_socket(socket_t sock) {
  const int yes = 1;
  setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  ConnectionStream stream(sock, limits_.writeTimeout, [this] { return svr_sock_ == INVALID_SOCKET; });
  bool served = true;
  for (int request = 1; request <= limits_.requestsPerConnection; ++request) {
    if (!stream.awaitRequest(limits_.keepAliveIdle)) break;
    stream.beginRequest(ConnectionStream::Clock::now() + limits_.requestDeadline, limits_.requestBytes);
    bool closed = false;
    served = process_request(stream, request == limits_.requestsPerConnection, closed, [](httplib::Request&) {});
    if (!served || closed || stream.overran()) break;
  }
  shutdown(sock, SHUT_RDWR);
  close(sock);
  return served;
}

}  // namespace tessorin::server
