#pragma once
// A TCP port on 127.0.0.1 that was free a moment ago, for a server a test starts.

namespace tessorin::testing {

// Throws std::runtime_error when none can be had.
int freeLoopbackPort();

}  // namespace tessorin::testing
