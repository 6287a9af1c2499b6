#include "BoundedHttpServer.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include "ClientAddress.hpp"
#include "ConnectionStream.hpp"
#include "RequestScreen.hpp"
#include "WholeRequest.hpp"

namespace tessorin::server {

namespace {

// The refusal found for the request this thread is serving while it was set up: answered
// by the pre-routing handler, which runs on the same thread before any body is read.
thread_local int refusalStatus = 0;
// The status of the answer this thread wrote last.
thread_local int answeredStatus = 0;
// Whether the request this thread is serving passed the screen and was read whole: only
// then may the bytes after it start another request.
thread_local bool requestTaken = false;
// Whether this thread's connection holds a place among those still sending.
thread_local bool holdsSendingPlace = false;
// Set on the accepting thread while it runs the job of a connection that the line waiting
// for a request thread had no room for.
thread_local bool noRoomInLine = false;

// An answer after which the rest of what the client sent cannot be trusted to start a
// request: parsing on would serve whatever the client hid after its first one.
bool endsTheConnection(int status) { return status == 400 || status == 431; }

std::string listed(const std::set<std::string>& methods) {
  std::string list;
  for (const std::string& method : methods) list += (list.empty() ? "" : ", ") + method;
  return list;
}

std::string refusalAnswer(const char* status, const std::string& body) {
  return std::string("HTTP/1.1 ") + status + "\r\nContent-Type: application/json\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

// The task queue the library asks for, and owns: it hands each accepted connection to the
// door's request threads, and once the library's accepting loop has ended it stops the
// door's watch and then its threads, which finish what is in line.
class BoundedHttpServer::AcceptedConnections final : public httplib::TaskQueue {
 public:
  explicit AcceptedConnections(BoundedHttpServer& door) : door_(door) {}

  void enqueue(std::function<void()> job) override {
    if (door_.threads_->enqueue(std::move(job))) return;
    // Only the job knows its connection: run here, it refuses the connection at once.
    noRoomInLine = true;
    job();
    noRoomInLine = false;
  }
  void shutdown() override {
    door_.arrivals_->stop();
    door_.threads_->shutdown();
  }

 private:
  BoundedHttpServer& door_;
};

BoundedHttpServer::BoundedHttpServer(Door door, Limits limits, const Refusals& refusals, ThrottledLog& log)
    : door_(door),
      limits_(limits),
      cap_(door == Door::proxy ? 0 : limits.connectionsPerAddress),
      crowdedAnswer_(refusalAnswer("429 Too Many Requests", refusals.crowded)),
      busyAnswer_(refusalAnswer("429 Too Many Requests", refusals.busy)),
      unavailableAnswer_(refusalAnswer("503 Service Unavailable", refusals.unavailable)),
      log_(log) {
  if (door_ == Door::proxy) limits_.requestsPerConnection = 1;
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
  // Runs just before the answer's headers are written: the client is told when the
  // connection ends after it.
  set_post_routing_handler([this](const httplib::Request&, httplib::Response& response) {
    if (response.status == 405) response.set_header("Allow", listed(routedMethods_));
    // The wait for the next request counts among the connections still sending; an
    // answer that finds no place for it is the connection's last.
    const bool keptOpen = requestTaken && !endsTheConnection(response.status) &&
                          response.get_header_value("Connection") != "close";
    if (keptOpen && startSending()) return;
    response.headers.erase("Keep-Alive");
    response.set_header("Connection", "close");
  });
  set_error_handler(HandlerWithResponse());
  set_pre_routing_handler([headerCount](const httplib::Request& request, httplib::Response& response) {
    if (refusalStatus != 0) {
      response.status = std::exchange(refusalStatus, 0);
      return HandlerResponse::Handled;
    }
    if (request.headers.size() <= headerCount) return HandlerResponse::Unhandled;
    response.status = 431;
    return HandlerResponse::Handled;
  });
}

BoundedHttpServer::~BoundedHttpServer() {
  stop();
  if (!socketPath_.empty()) unlink(socketPath_.c_str());
}

int BoundedHttpServer::bind(const std::string& address, int port) {
  const int bound = port == 0 ? bind_to_any_port(address) : (bind_to_port(address, port) ? port : -1);
  // The library listens with a backlog of 5; listening again only widens it.
  if (bound >= 0 && ::listen(svr_sock_, limits_.listenBacklog) != 0) return -1;
  return bound;
}

void BoundedHttpServer::bindSocket(const std::string& path, const std::string& groupName) {
  const auto fail = [&path](const std::string& what) {
    return std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(errno));
  };
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) throw std::runtime_error("the socket path is too long: " + path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  gid_t groupId = static_cast<gid_t>(-1);
  if (!groupName.empty()) {
    const struct group* found = getgrnam(groupName.c_str());
    if (found == nullptr) throw std::runtime_error("no group " + groupName);
    groupId = found->gr_gid;
  }
  // What a server that ended without cleaning up left behind; anything else is not ours.
  struct stat existing{};
  if (lstat(path.c_str(), &existing) == 0 && S_ISSOCK(existing.st_mode)) unlink(path.c_str());
  const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listening < 0) throw fail("make a socket for");
  // Made with no permissions at all, so that no one connects before it is the group's.
  const mode_t previous = umask(0777);
  const int bound = ::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  umask(previous);
  if (bound != 0) {
    close(listening);
    throw fail("bind to");
  }
  socketPath_ = path;
  if (chown(path.c_str(), static_cast<uid_t>(-1), groupId) != 0 || chmod(path.c_str(), 0660) != 0) {
    close(listening);
    throw fail("give the proxy's group");
  }
  if (::listen(listening, limits_.listenBacklog) != 0) {
    close(listening);
    throw fail("listen on");
  }
  svr_sock_ = listening;
}

void BoundedHttpServer::startThreads(std::size_t count) {
  threads_ = std::make_unique<RequestThreads>(count, limits_.threadStackBytes, limits_.longestLine);
  arrivals_ = std::make_unique<ArrivalWatch>(
      ArrivalWatch::Graces{limits_.arrivalGrace, limits_.bodyGrace}, limits_.requestBytes,
      [this](ArrivalWatch::Arrival arrival) { serveArrived(std::move(arrival)); },
      [this](ArrivalWatch::Arrival arrival) { refuseAndClose(arrival.socket, busyAnswer_); });
  // Made here, so that the accepting thread takes no memory as it starts; the library owns
  // it once it asks for it, once, as its accepting loop starts.
  accepted_ = std::make_unique<AcceptedConnections>(*this);
  new_task_queue = [this] { return accepted_.release(); };
}

void BoundedHttpServer::Get(const std::string& pattern, Handler handler) {
  // The library answers HEAD with the GET route.
  routedMethods_.insert({"GET", "HEAD"});
  httplib::Server::Get(pattern, takingTheRequest(std::move(handler)));
}

void BoundedHttpServer::Post(const std::string& pattern, Handler handler) {
  routedMethods_.insert("POST");
  httplib::Server::Post(pattern, takingTheRequest(std::move(handler)));
}

void BoundedHttpServer::set_error_handler(HandlerWithResponse handler) {
  httplib::Server::set_error_handler(HandlerWithResponse(
      [this, handler = std::move(handler)](const httplib::Request& request, httplib::Response& response) {
        if (response.status == 400 && routedMethods_.count(request.method) == 0 && namesMethod(request)) {
          response.status = 405;
        }
        return handler ? handler(request, response) : HandlerResponse::Unhandled;
      }));
}

httplib::Server::Handler BoundedHttpServer::takingTheRequest(Handler handler) {
  // The library reads a body before it calls a route.
  return [this, handler = std::move(handler)](const httplib::Request& request, httplib::Response& response) {
    requestTaken = true;
    doneSending();
    handler(request, response);
  };
}

bool BoundedHttpServer::startSending() {
  if (holdsSendingPlace) return true;
  if (sending_.fetch_add(1) >= limits_.sendingConnections) {
    --sending_;
    return false;
  }
  holdsSendingPlace = true;
  return true;
}

void BoundedHttpServer::doneSending() {
  if (!std::exchange(holdsSendingPlace, false)) return;
  --sending_;
}

void BoundedHttpServer::refuseAtOnce(socket_t sock, const std::string& answer) const {
  // Never waits: a client that does not take the answer at once does not get it.
  send(sock, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  // What the client sent already is taken, so that closing does not reset the connection
  // and destroy the answer; what it sends later is its own business.
  char sink[4096];
  for (std::size_t drained = 0; drained < limits_.requestBytes;) {
    const ssize_t got = recv(sock, sink, sizeof sink, MSG_DONTWAIT);
    if (got <= 0) break;
    drained += static_cast<std::size_t>(got);
  }
  shutdown(sock, SHUT_WR);
}

void BoundedHttpServer::refuseAndClose(socket_t sock, const std::string& answer) const {
  refuseAtOnce(sock, answer);
  close(sock);
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

template <typename Serving>
bool BoundedHttpServer::closingOnFailure(const Serving& serving) {
  try {
    return serving();
  } catch (const std::exception& error) {
    // Most likely memory this request could not have: the connection is given up, the
    // process and everyone else's requests go on.
    log_.say({"tessorin-community-server: a connection was closed: ", error.what()});
  } catch (...) {
    log_.say({"tessorin-community-server: a connection was closed after an unknown failure"});
  }
  return false;
}

bool BoundedHttpServer::process_and_close_socket(socket_t sock) {
  if (noRoomInLine) {
    refuseAndClose(sock, unavailableAnswer_);
    return true;
  }
  bool watched = false;
  const bool served = closingOnFailure([&] { return takeConnection(sock, watched); });
  if (!watched) closeConnection(sock);
  return served;
}

bool BoundedHttpServer::takeConnection(socket_t sock, bool& watched) {
  const int yes = 1;
  setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  std::optional<ConnectionCap::Slot> slot = cap_.admit(ConnectionStream::peerAddress(sock));
  if (!slot) {
    refuseAtOnce(sock, crowdedAnswer_);
    return true;
  }
  // From its accept a connection counts among those still sending; past that cap, only
  // one whose request is all here is served now, and one whose request is still coming
  // waits for it in the watch, taking no thread.
  if (!startSending() && !wholeRequestWaits(sock, limits_.requestBytes)) {
    ArrivalWatch::Arrival arrival{sock, std::move(*slot)};
    watched = arrivals_->watch(arrival);
    if (!watched) refuseAtOnce(sock, busyAnswer_);
    return true;
  }
  return serve(sock);
}

void BoundedHttpServer::serveArrived(ArrivalWatch::Arrival arrival) {
  const socket_t sock = arrival.socket;
  const bool inLine = closingOnFailure([&] {
    auto arrived = std::make_shared<ArrivalWatch::Arrival>(std::move(arrival));
    std::function<void()> job = [this, arrived] {
      closingOnFailure([&] { return serve(arrived->socket); });
      closeConnection(arrived->socket);
    };
    return threads_->enqueue(std::move(job));
  });
  if (!inLine) refuseAndClose(sock, unavailableAnswer_);
}

void BoundedHttpServer::closeConnection(socket_t sock) {
  refusalStatus = 0;
  doneSending();
  shutdown(sock, SHUT_RDWR);
  close(sock);
}

bool BoundedHttpServer::serve(socket_t sock) {
  ConnectionStream stream(sock, limits_.writeTimeout, [this] { return svr_sock_ == INVALID_SOCKET; });
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
    answeredStatus = 0;
    requestTaken = false;
    served = process_request(stream, last, closed, [this](httplib::Request& parsed) {
      parsed.ranges.clear();
      parsed.headers.erase("Range");
      // Never compressed: a small request would make the server spend many times the CPU
      // and memory of the plain answer.
      parsed.headers.erase("Accept-Encoding");
      std::optional<int> refusal = screenRequest(parsed, routedMethods_);
      // Refused before the library would wait for a body it is going to refuse anyway.
      if (!refusal && parsed.has_header("Content-Length") &&
          std::stoull(parsed.get_header_value("Content-Length")) > payload_max_length_) {
        refusal = 413;
      }
      if (door_ == Door::proxy) {
        const std::optional<std::string> client = forwardedClient(parsed.get_header_value("X-Forwarded-For"));
        // Only a proxy that is not set up as shipped forwards no client.
        if (!client && !refusal) refusal = 400;
        parsed.remote_addr = client.value_or(std::string());
      } else {
        parsed.headers.erase("X-Forwarded-For");
      }
      if (refusal) {
        refusalStatus = *refusal;
        // Nothing of the body is read, so nothing after it on this connection can be.
        parsed.headers.erase("Expect");
        parsed.headers.erase("Connection");
        parsed.set_header("Connection", "close");
      } else if (!announcesBody(parsed)) {
        requestTaken = true;
        doneSending();
      }
    });
    refusalStatus = 0;
    const bool untrusted = !requestTaken || endsTheConnection(answeredStatus);
    // A place held now is the one its answer took for the wait for the next request.
    const bool goesOn = served && !closed && !untrusted && !last && !stream.overran() && holdsSendingPlace;
    // Still counted while it lingers: a client that never closes after its refusal holds
    // its thread as one that is still sending does.
    if (served && untrusted) lingerAfterRefusal(sock);
    if (!goesOn) doneSending();
    if (!goesOn) break;
  }
  return served;
}

}  // namespace tessorin::server
