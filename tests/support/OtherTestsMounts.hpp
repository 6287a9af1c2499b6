#pragma once
// Letting go of other tests' mounts in a mount namespace of a test's own. A namespace
// made with unshare copies every mount there is, and on this host every mount is private:
// a copy outlives the unmount of its original. The copied file system stays alive with its
// FUSE daemon, and the next mount of that device joins it instead of reading the card
// again, so a test beside this one would see what its card no longer holds. Call inside the
// new namespace, once its mounts are private; not thread-safe with other mount changes of
// the namespace.

#include <string>

namespace tessorin::testing {

// Detaches every copy of a test's volume or folder (FUSE mounts, loop devices, anything
// in the temporary folder or under /media) but the mounts of keptSource, innermost first.
void letGoOfOtherTestsMounts(const std::string& keptSource = {});

}  // namespace tessorin::testing
