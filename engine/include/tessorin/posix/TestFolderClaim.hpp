#pragma once
// TestFolderClaim: the test folders one check made, held open from the moment each was
// made until the check lets them go, and whether one of them stayed on the card. A
// folder found later at the test folder's place is the check's own when it is one of
// these (same mount, device and inode: held open, the inode cannot pass to another
// folder); of what it holds, only the files the check made there (MadeFiles) are the
// check's.
// Shared between the session and the worker threads of its tests; every member may be
// called from any thread.

#include <memory>
#include <mutex>
#include <vector>

#include "tessorin/posix/FileDescriptor.hpp"
#include "tessorin/posix/FileIdentity.hpp"
#include "tessorin/posix/MadeFiles.hpp"

namespace tessorin {

class TestFolderClaim {
 public:
  struct HeldFolder {
    FileDescriptor fd;
    std::shared_ptr<MadeFiles> made;
  };

  // Keeps a folder open (a copy of `folder`, which the caller keeps), with the record of
  // the files made in it.
  void hold(int folder, std::shared_ptr<MadeFiles> made);
  bool holds(const FileIdentity& folder) const;
  // Every held folder, each opened anew for the caller.
  std::vector<HeldFolder> heldFolders() const;
  // Lets go of the folders that were removed since they were made: an open folder keeps
  // its volume from being unmounted.
  void forgetRemoved();
  // Lets go of every folder, for every holder of this claim at once: the check is done
  // with them, and copies of the claim may live on in the options of its finished runs.
  void release();

  // A removal of the test folder failed or did not reach the card: the folder is still
  // on it, even where the file system shows it gone until the card is mounted again.
  // What was noted stays after release().
  void noteLeftOnCard();
  bool leftOnCard() const;

 private:
  struct Held {
    FileDescriptor fd;
    FileIdentity identity;
    std::shared_ptr<MadeFiles> made;
  };
  mutable std::mutex lock_;
  std::vector<Held> held_;
  bool leftOnCard_ = false;
};

}  // namespace tessorin
