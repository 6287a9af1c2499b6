#include "GalleryState.hpp"

#include <algorithm>

namespace tessorin::gallery {

std::vector<GalleryState>& galleryStates() {
  static std::vector<GalleryState> states;
  return states;
}

bool addGalleryStates(std::vector<GalleryState> states) {
  auto& all = galleryStates();
  all.insert(all.end(), std::make_move_iterator(states.begin()), std::make_move_iterator(states.end()));
  std::stable_sort(all.begin(), all.end(), [](const GalleryState& a, const GalleryState& b) { return a.view < b.view; });
  return true;
}

}  // namespace tessorin::gallery
