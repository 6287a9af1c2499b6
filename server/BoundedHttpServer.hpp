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
//   - at most a number of connections per client address at once (not on the proxy's
//     door); one more is answered 429 and closed;
//   - at most a number of connections may be still sending their request at once, so that
//     slow senders cannot hold every thread. A connection counts among them from its
//     accept until its request is read whole, and again from each answer until the next
//     request is: one that sends nothing holds a thread as surely as one that sends
//     slowly. Past that cap a new connection whose request is not here whole waits for it
//     a moment with the others in ArrivalWatch, on no request thread; one whose request
//     does not come whole in that moment is answered 429 and closed. An answer that finds
//     no place for the wait after it ends its connection;
//   - a connection for which the line waiting for a request thread has no room (its
//     memory cannot be had) is answered 503 at once by the accepting thread and closed,
//     without waiting on the client, so that no client can stop the accepting;
//   - a connection idle between requests is closed after a short keep-alive, serves a
//     bounded number of requests and starts none after its time budget;
//   - a method no route serves is answered 405 (with Allow) before anything after its
//     headers is read, also one the library does not know;
//   - a request must arrive whole (request line, headers and body) within a deadline and
//     within a byte budget, else the connection is closed;
//   - a request RequestScreen refuses, or whose length is over the payload limit, is
//     answered before its body is read, and the connection closed; Range is ignored (the
//     whole answer, 200);
//   - more header lines than allowed answer 431;
//   - any answer given before the request was screened and its body read (the library's
//     own: a request line too long, a Range it cannot parse, a request that does not
//     parse, and whatever else it answers by itself), and any 400 or 431, closes the
//     connection: what follows is not read as a request;
//   - Accept-Encoding is ignored: answers are never compressed;
//   - an exception from parsing, handling or writing (an allocation that fails) closes
//     that connection and is logged, each kind once a second at most (ThrottledLog); the
//     process goes on;
//   - the Keep-Alive header tells the idle time and request count it is held to;
//   - the listen backlog holds a burst of connections, so that none waits for its
//     client's retry while the accepting thread catches up;
//   - request threads with small stacks (RequestThreads), started before serving, so that
//     a thread that cannot be had is an error at start and not the end of the process.
// It listens at one door: an address and port for direct use, where the peer is the
// client and X-Forwarded-For is dropped unread; or the reverse proxy's Unix socket, where
// the proxy's X-Forwarded-For names the client and each connection carries exactly one
// request, so that nothing the library does with the bytes after it can make them a
// second one. A reverse proxy in front adds the same limits towards the Internet
// (server/deploy).

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>

#include <httplib.h>

#include "ArrivalWatch.hpp"
#include "ConnectionCap.hpp"
#include "RequestThreads.hpp"
#include "ThrottledLog.hpp"

namespace tessorin::server {

class BoundedHttpServer : public httplib::Server {
 public:
  enum class Door { direct, proxy };

  struct Limits {
    std::chrono::milliseconds keepAliveIdle{1000};
    int requestsPerConnection = 100;
    // No request starts on a connection older than this; the last one may take its own
    // deadline.
    std::chrono::milliseconds connectionBudget{20'000};
    std::size_t connectionsPerAddress = 8;
    std::size_t sendingConnections = 32;
    // Past that cap, how long a connection just taken up may take for its header (a client
    // writes its request as soon as it has connected), and a request whose header is in
    // for its body.
    std::chrono::milliseconds arrivalGrace{10};
    std::chrono::milliseconds bodyGrace{50};
    std::chrono::milliseconds requestDeadline{10'000};
    std::chrono::milliseconds writeTimeout{10'000};
    std::size_t requestBytes = 64 * 1024;
    std::size_t headerCount = 50;
    int listenBacklog = 256;
    // The deepest a request takes its thread's stack is the library's own regular
    // expressions, which recurse once per character: some 3 MiB for a Range line of the
    // 8 KiB it reads, or a multipart header filling the 16 KiB a body may have. Half the
    // process's default, so that both doors' threads fit where one door's did.
    std::size_t threadStackBytes = 4 * 1024 * 1024;
    // The most connections that may wait for a request thread; memory alone bounds them
    // unless a test makes the line short to meet what happens when it cannot grow.
    std::size_t longestLine = std::numeric_limits<std::size_t>::max();
  };
  // The JSON bodies answered with 429: to a connection over its address's cap, and to one
  // past the cap on connections still sending; and with 503 to one the line waiting for a
  // request thread has no room for.
  struct Refusals {
    std::string crowded;
    std::string busy;
    std::string unavailable;
  };

  // Failures are written to log, which must outlive the server.
  BoundedHttpServer(Door door, Limits limits, const Refusals& refusals, ThrottledLog& log);
  ~BoundedHttpServer() override;

  // Binds to address and port (0: any free port) with the backlog of the limits; the
  // port bound, or -1.
  int bind(const std::string& address, int port);
  // Binds to a Unix socket at path, replacing a stale one, that only the owner and group
  // may use (the process's own group when groupName is ""); throws std::runtime_error.
  void bindSocket(const std::string& path, const std::string& groupName);

  // Starts count request threads and the watch of arriving connections, before
  // listen_after_bind serves on them; throws RequestThreads::Unavailable when not all of
  // the threads can be had, std::system_error when the watch cannot.
  void startThreads(std::size_t count);

  // Routes are added here, not through the library's own Get and Post, so that the
  // connection knows when a request was read whole and which methods are served.
  void Get(const std::string& pattern, Handler handler);
  void Post(const std::string& pattern, Handler handler);
  // Also sees the refusals of a method the library does not know, which it would answer
  // as a request it cannot read (400), as the 405 they are.
  void set_error_handler(HandlerWithResponse handler);

 private:
  class AcceptedConnections;

  // A connection the library accepted, on a request thread (or, with no room in the line,
  // on the accepting thread).
  bool process_and_close_socket(socket_t sock) override;
  // Admits the connection, or refuses it, or hands it to the watch (watched: it is still
  // open there); throws what serving throws.
  bool takeConnection(socket_t sock, bool& watched);
  // A connection whose request came whole in the watch, to a request thread.
  void serveArrived(ArrivalWatch::Arrival arrival);
  // The requests of one connection; throws what parsing, handling or writing throws.
  bool serve(socket_t sock);
  // Runs serving, and logs what it throws as the end of its connection; takes no memory
  // of its own, which it may be short of.
  template <typename Serving>
  bool closingOnFailure(const Serving& serving);
  void closeConnection(socket_t sock);
  Handler takingTheRequest(Handler handler);
  // A place among the connections still sending a request (kept when this connection
  // holds one already), unless they hold all of them.
  bool startSending();
  void doneSending();
  void refuseAtOnce(socket_t sock, const std::string& answer) const;
  void refuseAndClose(socket_t sock, const std::string& answer) const;
  void lingerAfterRefusal(socket_t sock) const;

  Door door_;
  Limits limits_;
  ConnectionCap cap_;
  std::atomic<std::size_t> sending_{0};
  std::string crowdedAnswer_;
  std::string busyAnswer_;
  std::string unavailableAnswer_;
  ThrottledLog& log_;
  std::string socketPath_;
  std::set<std::string> routedMethods_;
  // Stopped, the watch before the threads, once the library's accepting loop has ended;
  // the watch goes first here too.
  std::unique_ptr<RequestThreads> threads_;
  std::unique_ptr<ArrivalWatch> arrivals_;
  // Until the library's accepting loop takes it.
  std::unique_ptr<AcceptedConnections> accepted_;
};

}  // namespace tessorin::server
