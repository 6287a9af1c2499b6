#pragma once
// postToMainThread: the one road from any thread back to the application's main thread.
// Every block is queued behind those posted before it and runs in its own event-loop
// turn, never inline, so an engine's progress reports, its completion and the coroutine
// resumed by that completion arrive in the order they were posted. Callable from any
// thread; a block posted while no application object exists is dropped.

#include <functional>

namespace tessorin {

void postToMainThread(std::function<void()> block);

}  // namespace tessorin
