#include "ConnectionPool.hpp"

#include <algorithm>

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
    if (!idle_.empty()) {
      connection = std::move(idle_.back());
      idle_.pop_back();
    } else {
      Waiter waiter;
      waiters_.push_back(&waiter);
      if (!waiter.handed.wait_for(lock, longestWait_, [&] { return waiter.connection != nullptr; })) {
        waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &waiter));
        throw PoolExhausted();
      }
      connection = std::move(waiter.connection);
    }
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
  std::lock_guard lock(mutex_);
  if (waiters_.empty()) {
    idle_.push_back(std::move(connection));
    return;
  }
  Waiter* first = waiters_.front();
  waiters_.pop_front();
  first->connection = std::move(connection);
  first->handed.notify_one();
}

}  // namespace tessorin::server
