#include "ConnectionStream.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

namespace tessorin::server {

namespace {

constexpr std::size_t bufferBytes = 16 * 1024;
constexpr auto stopCheck = std::chrono::milliseconds(200);

void describe(const sockaddr_storage& address, socklen_t length, std::string& ip, int& port) {
  char host[NI_MAXHOST];
  char service[NI_MAXSERV];
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, service, sizeof service,
                  NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    return;
  }
  ip = host;
  port = std::atoi(service);
}

void describePeer(int socket, std::string& ip, int& port) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0) describe(address, length, ip, port);
}

}  // namespace

ConnectionStream::ConnectionStream(int socket, std::chrono::milliseconds writeTimeout, std::function<bool()> stopping)
    : socket_(socket), writeTimeout_(writeTimeout), stopping_(std::move(stopping)), buffer_(bufferBytes) {}

bool ConnectionStream::wait(short events, Clock::time_point deadline) const {
  for (;;) {
    if (stopping_()) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd ready{socket_, events, 0};
    const int found = poll(&ready, 1, static_cast<int>(std::min(left, stopCheck).count()));
    if (found > 0) return true;
    if (found < 0 && errno != EINTR) return false;
  }
}

bool ConnectionStream::awaitRequest(std::chrono::milliseconds idle) {
  return begin_ < end_ || wait(POLLIN, Clock::now() + idle);
}

void ConnectionStream::beginRequest(Clock::time_point deadline, std::size_t bytes) {
  deadline_ = deadline;
  budget_ = bytes;
}

bool ConnectionStream::is_readable() const { return begin_ < end_ || (!overran_ && wait(POLLIN, deadline_)); }

bool ConnectionStream::is_writable() const { return wait(POLLOUT, Clock::now() + writeTimeout_); }

ssize_t ConnectionStream::read(char* ptr, size_t size) {
  if (overran_) return -1;
  if (begin_ == end_) {
    if (!wait(POLLIN, deadline_)) {
      overran_ = Clock::now() >= deadline_;
      return -1;
    }
    ssize_t got = 0;
    do {
      got = recv(socket_, buffer_.data(), buffer_.size(), 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return got;
    begin_ = 0;
    end_ = static_cast<std::size_t>(got);
  }
  if (budget_ == 0) {
    overran_ = true;
    return -1;
  }
  const std::size_t taken = std::min({size, end_ - begin_, budget_});
  std::memcpy(ptr, buffer_.data() + begin_, taken);
  begin_ += taken;
  budget_ -= taken;
  return static_cast<ssize_t>(taken);
}

ssize_t ConnectionStream::write(const char* ptr, size_t size) {
  if (!is_writable()) return -1;
  ssize_t sent = 0;
  do {
    sent = send(socket_, ptr, size, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent;
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const { describePeer(socket_, ip, port); }

std::string ConnectionStream::peerAddress(int socket) {
  std::string ip;
  int port = 0;
  describePeer(socket, ip, port);
  return ip;
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) describe(address, length, ip, port);
}

}  // namespace tessorin::server
