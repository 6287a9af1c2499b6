#pragma once
// Unmounting a card's file system before it is erased or ejected. A file manager, a
// thumbnailer or an indexer that has just looked at the card can keep it busy for a
// moment; that is no reason to give up. Blocks for up to a few seconds: call it off the
// main thread.

#include <string>

#include "session/system/SystemTool.hpp"

namespace tessorin {

// Runs umount on the mount point, trying again for a few seconds while the file system
// is busy. Never unmounts lazily: a file system detached while files are still open on it
// can write to the card after it was erased.
SystemTool::Result unmountPatiently(const std::string& mountPoint);

}  // namespace tessorin
