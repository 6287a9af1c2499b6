#pragma once
// UnremovableTestFolder: the test folder of an earlier test, with its test file, whose
// directory a counterfeit card's address wrap has since written over, as happens when
// data written past a fake's real size lands on the card's own file-system structures.
// The file system can no longer list the folder, and removing it fails: exfat-fuse says
// EIO, ext4 ENOTEMPTY (its directory block fails its checksum). Made by unmounting the
// volume, overwriting every sector that holds the folder's entry for its file, and
// mounting it again: nothing on the volume may be open then. The volume's owner tears it
// down as usual. Needs root.

#include "LoopVolume.hpp"

namespace tessorin::testing {

class UnremovableTestFolder {
 public:
  explicit UnremovableTestFolder(LoopVolume& volume);
};

}  // namespace tessorin::testing
