#pragma once
// ConnectionStream: one accepted connection as the HTTP parser reads and writes it, with
// a deadline and a byte budget for each request. Reads are buffered (the parser asks for
// a byte at a time). Once a request overruns its deadline or its budget, every further
// read fails and the connection is to be closed. Used by one thread.

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

#include <httplib.h>

namespace tessorin::server {

class ConnectionStream final : public httplib::Stream {
 public:
  using Clock = std::chrono::steady_clock;

  // stopping says whether the server is shutting down; waits end early when it is.
  ConnectionStream(int socket, std::chrono::milliseconds writeTimeout, std::function<bool()> stopping);

  // Waits up to idle for the first byte of the next request; false when none came.
  bool awaitRequest(std::chrono::milliseconds idle);
  // The next request must be read whole by deadline and in at most bytes.
  void beginRequest(Clock::time_point deadline, std::size_t bytes);
  // The request overran its deadline or budget.
  bool overran() const { return overran_; }

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override { return socket_; }

  // The client address of a connected socket, as get_remote_ip_and_port gives it, before
  // a stream is made for it.
  static std::string peerAddress(int socket);

 private:
  // Polls for events until deadline, in short slices so that a stopping server is noticed.
  bool wait(short events, Clock::time_point deadline) const;

  int socket_;
  std::chrono::milliseconds writeTimeout_;
  std::function<bool()> stopping_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  Clock::time_point deadline_;
  std::size_t budget_ = 0;
  bool overran_ = false;
};

}  // namespace tessorin::server
