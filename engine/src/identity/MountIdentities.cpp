#include "tessorin/identity/MountIdentities.hpp"

#include <algorithm>

namespace tessorin {

std::uint64_t MountIdentities::see(const MountTable& table) {
  std::set<Key> now;
  for (const MountEntry& entry : table.entries()) now.insert(Key::of(entry));
  const std::lock_guard lock(mutex_);
  if (!std::includes(now.begin(), now.end(), mounted_.begin(), mounted_.end())) ++departures_;
  std::erase_if(tags_, [&now](const auto& known) { return now.count(known.first) == 0; });
  mounted_ = std::move(now);
  return departures_;
}

std::optional<BlockDeviceTags> MountIdentities::find(const Key& key) const {
  const std::lock_guard lock(mutex_);
  const auto found = tags_.find(key);
  if (found == tags_.end()) return std::nullopt;
  return found->second;
}

void MountIdentities::remember(const Key& key, const BlockDeviceTags& tags, std::uint64_t departuresWhenSeen) {
  const std::lock_guard lock(mutex_);
  if (departures_ != departuresWhenSeen || mounted_.count(key) == 0) return;
  tags_[key] = tags;
}

}  // namespace tessorin
