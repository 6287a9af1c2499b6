#include "ConnectionCap.hpp"

#include "ClientAddress.hpp"

namespace tessorin::server {

ConnectionCap::Slot::~Slot() {
  if (cap_ != nullptr) cap_->release(key_);
}

std::optional<ConnectionCap::Slot> ConnectionCap::admit(const std::string& peer) {
  if (perAddress_ == 0) return Slot(nullptr, {});
  std::string key = rateKey(peer);
  std::lock_guard lock(mutex_);
  std::size_t& open = open_[key];
  if (open >= perAddress_) return std::nullopt;
  ++open;
  return Slot(this, std::move(key));
}

void ConnectionCap::release(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto found = open_.find(key);
  if (found == open_.end()) return;
  // Addresses with nothing open are forgotten, so the map holds only live connections.
  if (--found->second == 0) open_.erase(found);
}

}  // namespace tessorin::server
