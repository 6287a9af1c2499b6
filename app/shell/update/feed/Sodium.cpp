#include "shell/update/feed/Sodium.hpp"

#include <sodium.h>

namespace tessorin {

bool sodiumReady() {
  // sodium_init answers 1 when another part of the process got there first.
  static const bool ready = sodium_init() >= 0;
  return ready;
}

}  // namespace tessorin
