#pragma once
// CardEjector: ejects the card that holds a volume: every file system of its disk is
// unmounted, then the medium is ejected. The reader is never powered off, so a card put
// back in is seen again. Through the desktop's disk service when it answers, else
// directly when running as root. Only the card itself is ejected: the volume must still
// be its own mount point from the card's device node, and the disk must pass the
// eraser's checks (no system disk, nothing internal or soldered on). Blocks; call it off
// the main thread.

#include <optional>
#include <string>

#include "session/system/CardFormatter.hpp"

namespace tessorin {

struct CardEjector {
  // Nothing on success, else why not.
  static std::optional<std::string> eject(const ExpectedCard& card);
};

}  // namespace tessorin
