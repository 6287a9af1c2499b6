#pragma once
// ConnectionPool: a fixed number of database connections shared by the server's request
// threads, one per thread so that no request waits for another's query. A lease hands a
// connection back when it goes. Thread-safe.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PgConnection.hpp"

namespace tessorin::server {

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
  ConnectionPool(const std::string& conninfo, int size);

  // Waits for a free connection, reconnected when it had broken.
  Lease lease();

 private:
  void giveBack(std::unique_ptr<PgConnection> connection);

  std::mutex mutex_;
  std::condition_variable available_;
  std::vector<std::unique_ptr<PgConnection>> idle_;
};

}  // namespace tessorin::server
