#include "theme/ControlSize.hpp"

#include <algorithm>

namespace tessorin {

int ControlSize::buttonHeightOf(Size size) {
  switch (size) {
    case Small:
      return 24;
    case Regular:
      break;
    case Large:
      return 40;
  }
  return 30;
}

int ControlSize::indicatorSizeOf(Size size) {
  switch (size) {
    case Small:
      return 16;
    case Regular:
      break;
    case Large:
      return 32;
  }
  return 22;
}

void ControlSize::setSize(int size) {
  if (size_ == size) return;
  size_ = size;
  Q_EMIT sizeChanged();
}

ControlSize::Size ControlSize::clamped() const { return static_cast<Size>(std::clamp(size_, int(Small), int(Large))); }

}  // namespace tessorin
