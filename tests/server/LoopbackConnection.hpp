#pragma once
// LoopbackConnection: a client connection to 127.0.0.1 written by hand, plain or over TLS
// (no certificate check: the tests make their own), for clients no HTTP library would
// be: idle, slow, or sending headers without end. It may come from another address of
// the loopback network (127.0.0.2, …), so that one test can play several clients.
// Blocking, bounded by timeouts.

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/ssl.h>

namespace tessorin::testing {

class LoopbackConnection {
 public:
  LoopbackConnection(int port, bool tls, const char* from = "127.0.0.1") {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in source{};
    source.sin_family = AF_INET;
    if (socket_ >= 0 && (inet_pton(AF_INET, from, &source.sin_addr) != 1 ||
                         ::bind(socket_, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0)) {
      close();
      throw std::runtime_error(std::string("cannot send from ") + from);
    }
    // A small send buffer, so that what was sent is close to what the peer took.
    const int small = 16 * 1024;
    setsockopt(socket_, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (socket_ < 0 || ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close();
      throw std::runtime_error("cannot connect to 127.0.0.1");
    }
    timeval limit{10, 0};
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (tls) {
      context_ = SSL_CTX_new(TLS_client_method());
      // TLS 1.2 without tickets: TLS 1.3 sends session tickets after the handshake, which
      // would read as the peer speaking.
      SSL_CTX_set_max_proto_version(context_, TLS1_2_VERSION);
      SSL_CTX_set_options(context_, SSL_OP_NO_TICKET);
      ssl_ = SSL_new(context_);
      SSL_set_fd(ssl_, socket_);
      if (SSL_connect(ssl_) != 1) {
        close();
        throw std::runtime_error("no TLS handshake with 127.0.0.1");
      }
    }
  }
  ~LoopbackConnection() { close(); }
  LoopbackConnection(const LoopbackConnection&) = delete;
  LoopbackConnection& operator=(const LoopbackConnection&) = delete;

  // False once the peer closed or reset the connection.
  bool send(std::string_view bytes) {
    while (!bytes.empty()) {
      const long sent = ssl_ != nullptr ? SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size()))
                                        : ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }

  // Whether the peer sent something or closed within wait.
  bool peerSpoke(std::chrono::milliseconds wait) {
    if (ssl_ != nullptr && SSL_pending(ssl_) > 0) return true;
    pollfd ready{socket_, POLLIN, 0};
    return poll(&ready, 1, static_cast<int>(wait.count())) > 0;
  }

  // One response to a request sent before: its status line and headers, and a body of
  // Content-Length bytes. "" when the peer closed first.
  std::string response() {
    std::string text;
    std::size_t headEnd = std::string::npos;
    std::size_t length = 0;
    char buffer[4096];
    while (headEnd == std::string::npos || text.size() < headEnd + 4 + length) {
      const long got = ssl_ != nullptr ? SSL_read(ssl_, buffer, sizeof buffer) : ::recv(socket_, buffer, sizeof buffer, 0);
      if (got <= 0) return headEnd == std::string::npos ? std::string() : text;
      text.append(buffer, static_cast<std::size_t>(got));
      if (headEnd == std::string::npos && (headEnd = text.find("\r\n\r\n")) != std::string::npos) {
        const std::size_t field = text.find("Content-Length: ");
        if (field != std::string::npos && field < headEnd) length = std::stoul(text.substr(field + 16));
      }
    }
    return text;
  }

 private:
  void close() {
    if (ssl_ != nullptr) SSL_free(ssl_);
    if (context_ != nullptr) SSL_CTX_free(context_);
    if (socket_ >= 0) ::close(socket_);
    ssl_ = nullptr;
    context_ = nullptr;
    socket_ = -1;
  }

  int socket_ = -1;
  SSL_CTX* context_ = nullptr;
  SSL* ssl_ = nullptr;
};

// The first line of a response: "HTTP/1.1 200 OK".
inline std::string statusLine(const std::string& response) { return response.substr(0, response.find("\r\n")); }

}  // namespace tessorin::testing
