#pragma once
// CardEjector: ejects the card that holds a volume: every file system of its disk is
// unmounted, then the medium is ejected. The reader is never powered off, so a card put
// back in is seen again. Through the desktop's disk service when it answers, else
// directly when running as root. Blocks; call it off the main thread.

#include <filesystem>
#include <optional>
#include <string>

namespace tessorin {

struct CardEjector {
  // Nothing on success, else why not.
  static std::optional<std::string> eject(const std::filesystem::path& volume);
};

}  // namespace tessorin
