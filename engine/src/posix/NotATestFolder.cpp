#include "tessorin/posix/NotATestFolder.hpp"

namespace tessorin {

NotATestFolder::NotATestFolder(const std::filesystem::path& path)
    : std::runtime_error("“" + path.string() +
                         "” was not made by Tessorin, so it was left as it is. Move or rename it, then check the "
                         "card again.") {}

NotATestFolder NotATestFolder::holdingOthers(const std::filesystem::path& folder) {
  return NotATestFolder(Worded{}, "“" + folder.string() +
                        "” holds files that Tessorin did not make, so it was left as it is. Move them out of it, "
                        "then check the card again.");
}

}  // namespace tessorin
