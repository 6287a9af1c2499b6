#include "theme/motion/Motion.hpp"

#include <atomic>

namespace tessorin {

namespace {
std::atomic<bool> motionEnabled{true};
}

void Motion::setEnabled(bool enabled) { motionEnabled = enabled; }

bool Motion::enabled() { return motionEnabled; }

int Motion::duration(int milliseconds) const { return enabled() ? milliseconds : 0; }

}  // namespace tessorin
