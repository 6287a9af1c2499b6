#include "tessorin/identity/MountIdentities.hpp"

#include <set>

namespace tessorin {

std::uint64_t MountIdentities::see(const MountTable& table) {
  std::set<Key> now;
  for (const MountEntry& entry : table.entries()) now.insert(Key::of(entry));
  const std::lock_guard lock(mutex_);
  const std::uint64_t number = ++tables_;
  std::map<Key, std::uint64_t> listed;
  for (const Key& key : now) {
    const auto known = mounted_.find(key);
    listed.emplace(key, known != mounted_.end() ? known->second : number);
  }
  std::erase_if(tags_, [&now](const auto& known) { return now.count(known.first) == 0; });
  mounted_ = std::move(listed);
  return number;
}

std::optional<BlockDeviceTags> MountIdentities::find(const Key& key) const {
  const std::lock_guard lock(mutex_);
  const auto found = tags_.find(key);
  if (found == tags_.end()) return std::nullopt;
  return found->second;
}

void MountIdentities::remember(const Key& key, const BlockDeviceTags& tags, std::uint64_t tableSeen) {
  const std::lock_guard lock(mutex_);
  const auto listed = mounted_.find(key);
  if (listed == mounted_.end() || listed->second > tableSeen) return;
  tags_[key] = tags;
}

}  // namespace tessorin
