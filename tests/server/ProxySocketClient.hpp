#pragma once
// askOnProxySocket: a request sent on the server's proxy socket as nginx sends it, on a
// connection of its own, and everything the server answers until it closes the
// connection (which it must: the proxy's door serves one request per connection). ""
// when the socket cannot be reached. Blocking, bounded by a timeout.

#include <chrono>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tessorin::testing {

inline std::string askOnProxySocket(const std::string& path, const std::string& request,
                                    std::chrono::milliseconds wait = std::chrono::seconds(10)) {
  const int connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (connection < 0 || ::connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (connection >= 0) ::close(connection);
    return {};
  }
  std::string answer;
  if (::send(connection, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    const auto until = std::chrono::steady_clock::now() + wait;
    char buffer[4096];
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      pollfd ready{connection, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
      const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      answer.append(buffer, static_cast<std::size_t>(got));
    }
  }
  ::close(connection);
  return answer;
}

}  // namespace tessorin::testing
