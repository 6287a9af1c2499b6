#pragma once
// sodiumReady: initialises libsodium once per process and says whether that worked.
// Callers that verify or sign must give up when it answers false. Any thread.

namespace tessorin {

bool sodiumReady();

}  // namespace tessorin
