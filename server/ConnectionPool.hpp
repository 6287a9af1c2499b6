#pragma once
// ConnectionPool: a fixed number of database connections shared by the server's request
// threads, of which there are many more, so that a slow client holds a thread but never
// a connection. A request waits for a connection a bounded time; a lease hands its
// connection back when it goes. Thread-safe.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PgConnection.hpp"

namespace tessorin::server {

// Every connection stayed busy for as long as a request may wait for one.
struct PoolExhausted : std::runtime_error {
  PoolExhausted() : std::runtime_error("no database connection came free") {}
};

class ConnectionPool {
 public:
  class Lease {
   public:
    Lease(ConnectionPool& pool, std::unique_ptr<PgConnection> connection)
        : pool_(pool), connection_(std::move(connection)) {}
    ~Lease() { pool_.giveBack(std::move(connection_)); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    PgConnection& operator*() { return *connection_; }
    PgConnection* operator->() { return connection_.get(); }

   private:
    ConnectionPool& pool_;
    std::unique_ptr<PgConnection> connection_;
  };

  // Opens every connection at once; throws PgError when one cannot be opened.
  ConnectionPool(const std::string& conninfo, int size, PgConnection::Limits limits,
                 std::chrono::milliseconds longestWait);

  // Waits for a free connection, reopened when it had broken. Throws PoolExhausted after
  // the longest wait, PgError when it cannot be reopened.
  Lease lease();

 private:
  void giveBack(std::unique_ptr<PgConnection> connection);

  // A request waiting for a connection, which giveBack() hands it directly.
  struct Waiter {
    std::condition_variable handed;
    std::unique_ptr<PgConnection> connection;
  };

  std::chrono::milliseconds longestWait_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<PgConnection>> idle_;
  std::deque<Waiter*> waiters_;
};

}  // namespace tessorin::server
