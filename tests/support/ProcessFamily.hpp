#pragma once
// A process and its direct children, read from /proc: a PostgreSQL cluster's postmaster
// and backends, nginx's master and workers.

#include <sys/types.h>
#include <vector>

namespace tessorin::testing {

std::vector<pid_t> processAndChildren(pid_t parent);

}  // namespace tessorin::testing
