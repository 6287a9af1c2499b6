#pragma once
// MountIdentities: what each mounted volume was when it was mounted (its file system's
// UUID, label and type, as the device reported them then), kept for as long as that
// mount stands. A card is the same card while its volume stays mounted: a wrapping fake
// overwrites its own file-system header in the middle of a check, and reading the raw
// device again would then give the same card another UUID.
//
// A mount is known by its entry in the mount table (mount id, device number, mount point
// and source); it is forgotten as soon as a table seen here no longer lists it, so a card
// put in after another one, or re-formatted and mounted again, is read afresh. Every
// table read (each scan's, and each the mount watcher makes) should be shown to `see`.
//
// Safe to use from several threads at once; no call waits on a device.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "tessorin/posix/BlockDeviceProbe.hpp"
#include "tessorin/posix/MountTable.hpp"

namespace tessorin {

class MountIdentities {
 public:
  struct Key {
    int mountId = 0;
    dev_t device = 0;
    std::string mountPoint;
    std::string source;

    static Key of(const MountEntry& entry) { return {entry.mountId, entry.device, entry.mountPoint, entry.source}; }
    friend auto operator<=>(const Key&, const Key&) = default;
  };

  // Forgets the mounts table no longer lists. Returns the table's number, which `remember`
  // takes to tell a reading made for a mount from one made for the mount after it.
  std::uint64_t see(const MountTable& table);
  std::optional<BlockDeviceTags> find(const Key& key) const;
  // Keeps tags read from the device of key, unless key's mount went away since the table
  // that listed it was seen: that mount may be gone, and its successor there look the
  // same. Other mounts that come and go meanwhile do not matter.
  void remember(const Key& key, const BlockDeviceTags& tags, std::uint64_t tableSeen);

 private:
  mutable std::mutex mutex_;
  // Each listed mount, with the number of the first table that listed it since it came.
  std::map<Key, std::uint64_t> mounted_;
  std::map<Key, BlockDeviceTags> tags_;
  std::uint64_t tables_ = 0;
};

}  // namespace tessorin
