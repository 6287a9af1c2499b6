#pragma once
// CardFiles: deletes files on one card, pinned to that card. The volume's root is opened
// once and checked to be the root of the mount whose source is the card's device node
// and, where both the caller and the medium name one, whose file system has the card's
// UUID (the next card put into the same reader gets the same node); everything is then deleted relative to that open directory (openat, unlinkat), never
// following a symbolic link (the link itself is removed) and never entering a directory
// on another device. A path that meanwhile leads elsewhere (the card pulled out, another
// card with the same label mounted in its place) is refused before anything is touched.
//
// Blocking; made and used on one background thread, then dropped.

#include <sys/types.h>

#include <filesystem>
#include <set>
#include <string>

#include "tessorin/posix/FileDescriptor.hpp"

namespace tessorin {

class CardFiles {
 public:
  // Throws PosixError ("open", volume, ENODEV) when the folder is not the root of a mount
  // of deviceNode, or when the medium's file-system UUID differs from fileSystemUUID;
  // an empty fileSystemUUID, or a medium whose UUID cannot be read, skips that test.
  // Throws PosixError ("open", volume, EPERM) when the card's disk also holds the
  // running system. Throws the error of a failed open.
  static CardFiles open(const std::filesystem::path& volume, const std::string& deviceNode,
                        const std::string& fileSystemUUID);

  // Deletes every item at the root whose name is not in `kept`; an item that cannot be
  // deleted (or lies on another device) is skipped and the next one follows. False when
  // the card refuses writes: a deletion failed on a read-only volume, or the deletions
  // did not reach the card (exfat-fuse shows them done and learns otherwise at a sync).
  bool deleteAllExcept(const std::set<std::string>& kept) const;

  // Deletes the test folder (or a link in its place) as TestFolder::removeLeftoversAt
  // does; false when there was none. Throws TestFolder::NotATestFolder for a user's file
  // or folder of that name, TestFolderNotRemovable when the folder stays on the card.
  bool removeTestFolder() const;

 private:
  CardFiles(FileDescriptor root, dev_t device, std::filesystem::path volume)
      : root_(std::move(root)), device_(device), volume_(std::move(volume)) {}

  FileDescriptor root_;
  dev_t device_;
  std::filesystem::path volume_;
};

}  // namespace tessorin
