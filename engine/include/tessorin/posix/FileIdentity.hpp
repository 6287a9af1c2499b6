#pragma once
// FileIdentity: which file or folder an open descriptor, or a name in an open folder,
// stands for: its device and inode, and the mount it was reached through. Device and inode
// alone can be met again on another card: a card taken out and another put in the same
// reader may get the same device number, and its file system may hand out the same
// inode number (exFAT drivers number inodes as they meet them); a new mount never gets
// an old mount's number. A plain value; the functions are stateless and never throw.

#include <sys/types.h>

#include <cstdint>
#include <optional>

namespace tessorin {

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  // The mount's number as the mount table shows it; 0 where the kernel does not tell.
  std::uint64_t mountId = 0;

  // Of an open file or folder; none when it cannot be looked at.
  static std::optional<FileIdentity> of(int fd);
  // Of what stands at `name` in the open folder `parent`, a link itself rather than what
  // it points at; none when nothing stands there or it cannot be looked at.
  static std::optional<FileIdentity> at(int parent, const char* name);

  // Reached through the same mount as `folder`: a folder of the card bind-mounted onto a
  // name inside it has the card's device, but another mount.
  bool onMountOf(const FileIdentity& folder) const { return device == folder.device && mountId == folder.mountId; }

  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

}  // namespace tessorin
