#include "theme/ControlSize.hpp"

#include <algorithm>
#include <array>

namespace tessorin {

namespace {

struct Measures {
  int buttonHeight;
  int indicatorSide;
};

// Small, regular, large.
constexpr std::array<Measures, 3> measures = {{{24, 16}, {30, 22}, {40, 32}}};

}  // namespace

int ControlSize::buttonHeightOf(Size size) { return measures.at(size).buttonHeight; }

int ControlSize::indicatorSizeOf(Size size) { return measures.at(size).indicatorSide; }

void ControlSize::setSize(int size) {
  if (size_ == size) return;
  size_ = size;
  Q_EMIT sizeChanged();
}

ControlSize::Size ControlSize::clamped() const { return static_cast<Size>(std::clamp(size_, int(Small), int(Large))); }

}  // namespace tessorin
