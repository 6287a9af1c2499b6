#pragma once
// MountTable: the mounts of this process as /proc/self/mountinfo lists them. A snapshot
// value: read it, query it, read it again when the mounts change.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace tessorin {

struct MountEntry {
  int mountId = 0;
  dev_t device = 0;              // st_dev of files on this mount (anonymous for FUSE)
  std::string root;              // the subtree of the file system mounted here
  std::string mountPoint;        // unescaped absolute path
  std::string fileSystemType;    // e.g. "ext4", "vfat", "fuseblk", "fuse.exfat"
  std::string source;            // e.g. "/dev/sdb1", "tmpfs"
  std::string superOptions;

  bool isFuse() const { return fileSystemType == "fuseblk" || fileSystemType.rfind("fuse", 0) == 0; }
  bool sourceIsDeviceNode() const { return source.rfind("/dev/", 0) == 0; }
  // A FUSE daemon that reads a block device does so through the host's cache of that
  // device, so bypassing the cache for a file on this mount does not reach the medium.
  bool readsThroughDeviceCache() const { return isFuse() && sourceIsDeviceNode(); }
  friend bool operator==(const MountEntry&, const MountEntry&) = default;
};

class MountTable {
 public:
  static constexpr const char* defaultPath = "/proc/self/mountinfo";

  // Throws PosixError when the table cannot be read.
  static MountTable read(const std::string& path = defaultPath);
  // Lines that do not parse are skipped: the table is the kernel's, not ours.
  static MountTable parse(const std::string& text);

  const std::vector<MountEntry>& entries() const { return entries_; }

  // The mount that holds path: among mount points that contain the path, the one whose
  // device matches the path's st_dev, else the longest; a later entry shadows an
  // earlier one at the same place.
  std::optional<MountEntry> mountContaining(const std::string& path) const;

 private:
  std::vector<MountEntry> entries_;
};

// Undoes the octal escapes (\040 for a space, \011, \012, \134) of mount table fields.
std::string unescapeMountField(const std::string& field);

}  // namespace tessorin
