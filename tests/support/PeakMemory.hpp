#pragma once
// The most memory a process has held (VmHWM of /proc/<pid>/status), and a way to start
// counting afresh (clear_refs), so that a test can tell what one request cost a server.
// Resetting another process's peak needs root or the same user.

#include <cstdint>
#include <sys/types.h>

namespace tessorin::testing {

// Kibibytes; 0 when the process is gone.
std::int64_t peakMemoryKiB(pid_t process);
// The peak becomes what the process holds now.
void resetPeakMemory(pid_t process);

}  // namespace tessorin::testing
