#pragma once
// MadeFiles: the files a test made in its folder, each known by its identity (device,
// inode, mount). Only these are ever written again after they were made, or deleted: a
// name alone says nothing, since anyone who can write the card can put a hard link to a
// photo under a test file's name.
//
// Each file is also pinned by an O_PATH descriptor for as long as it is noted: a FUSE
// file system (exfat-fuse) numbers a file anew once the kernel has let go of it, and
// the file would no longer be known as the test's. An O_PATH descriptor does not open
// the file for the file system, so deleting it leaves no hidden file behind.
//
// Shared between the test's open folder and the claim that holds that folder; every
// member may be called from any thread.

#include <mutex>
#include <vector>

#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/FileIdentity.hpp"

namespace tessorin {

class MadeFiles {
 public:
  // Notes `name` in `folder`, just made and open as `file`. False (nothing noted) when
  // the name no longer stands for that file.
  bool note(int folder, const char* name, int file);
  bool holds(const FileIdentity& file) const;
  void forget(const FileIdentity& file);

 private:
  struct Made {
    FileIdentity identity;
    FileDescriptor pin;
  };
  mutable std::mutex lock_;
  std::vector<Made> made_;
};

}  // namespace tessorin
