#include "ConnectionPool.hpp"

namespace tessorin::server {

ConnectionPool::ConnectionPool(const std::string& conninfo, int size, PgConnection::Limits limits,
                               std::chrono::milliseconds longestWait)
    : longestWait_(longestWait) {
  for (int i = 0; i < size; ++i) idle_.push_back(std::make_unique<PgConnection>(conninfo, limits));
}

ConnectionPool::Lease ConnectionPool::lease() {
  std::unique_ptr<PgConnection> connection;
  {
    std::unique_lock lock(mutex_);
    if (!available_.wait_for(lock, longestWait_, [this] { return !idle_.empty(); })) throw PoolExhausted();
    connection = std::move(idle_.back());
    idle_.pop_back();
  }
  try {
    connection->ensureOpen();
  } catch (...) {
    giveBack(std::move(connection));
    throw;
  }
  return Lease(*this, std::move(connection));
}

void ConnectionPool::giveBack(std::unique_ptr<PgConnection> connection) {
  {
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(connection));
  }
  available_.notify_one();
}

}  // namespace tessorin::server
