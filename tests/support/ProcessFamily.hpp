#pragma once
// A process and its direct children, read from /proc: a PostgreSQL cluster's postmaster
// and backends, nginx's master and workers; and whether a process has stopped whole.

#include <sys/types.h>

#include <chrono>
#include <vector>

namespace tessorin::testing {

std::vector<pid_t> processAndChildren(pid_t parent);

// Whether every thread of the process has stopped (SIGSTOP), waiting up to limit: a thread
// that was running when the stop was sent runs on for a moment.
bool everyThreadStopped(pid_t process, std::chrono::milliseconds limit);

}  // namespace tessorin::testing
