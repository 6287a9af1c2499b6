#pragma once
// ConnectionCap: at most a number of open connections per client address (an IPv6 /64
// counted as one), so that one address cannot hold every request thread however slowly
// it sends. The proxy's own door is not capped: every client behind it shares its
// address, and the proxy holds its own clients to their share.
// Thread-safe.

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace tessorin::server {

class ConnectionCap {
 public:
  // A held place; the address's count goes down when it goes.
  class Slot {
   public:
    Slot(ConnectionCap* cap, std::string key) : cap_(cap), key_(std::move(key)) {}
    Slot(Slot&& other) noexcept : cap_(other.cap_), key_(std::move(other.key_)) { other.cap_ = nullptr; }
    Slot& operator=(Slot&&) = delete;
    ~Slot();

   private:
    ConnectionCap* cap_;
    std::string key_;
  };

  // perAddress 0: no cap.
  explicit ConnectionCap(std::size_t perAddress) : perAddress_(perAddress) {}

  // A place for a new connection from peer, or nothing when its address holds all of its
  // own already.
  std::optional<Slot> admit(const std::string& peer);

 private:
  void release(const std::string& key);

  std::size_t perAddress_;
  std::mutex mutex_;
  std::map<std::string, std::size_t> open_;
};

}  // namespace tessorin::server
