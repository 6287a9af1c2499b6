#pragma once
// Which other processes have a block device open, looked up in /proc (this process's own
// descriptors do not count: a test holding the device knows it does). Needs root to see
// every process. Stateless; any thread.

#include <sys/types.h>

#include <string>
#include <vector>

namespace tessorin::testing {

// "pid (name)" of each process other than this one that holds `device` (st_rdev) open.
std::vector<std::string> otherProcessesHolding(dev_t device);

}  // namespace tessorin::testing
