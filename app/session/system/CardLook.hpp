#pragma once
// CardLook: one look at a card's folder before the session acts on it or shows its
// figures: whether the folder is still the root of the card's own mount (pinned as
// CardFiles pins it: the card's device node, its file system's UUID, not the running
// system's disk), and only then the volume's figures read through it. A card pulled out
// leaves its mount folder behind on the disk below; figures read there are the host's, and
// a check there would fill the host's disk.
//
// Blocking (it opens the folder and may read the medium's first blocks): taken on a
// background job. A plain value.

#include <filesystem>
#include <optional>
#include <string>

#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

struct CardLook {
  enum class Place {
    card,        // the folder is the root of the card's mount
    elsewhere,   // it is not, or no longer, or there is no such folder
    unreadable,  // the folder would not open for another reason (the card failing)
  };
  Place place = Place::elsewhere;
  std::optional<VolumeStats> figures;  // only on the card, when they could be read
  std::string failure;                 // the open's error when unreadable

  bool onCard() const { return place == Place::card; }

  static CardLook take(const std::filesystem::path& folder, const std::string& deviceNode,
                       const std::string& fileSystemUUID);
};

}  // namespace tessorin
