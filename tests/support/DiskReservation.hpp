#pragma once
// reserveDisk: gives a test's medium (a loop device's image, a simulated card's backing
// file) its disk space before the test begins. Left sparse, a medium larger than what is
// left of the disk fails halfway with EIO once the disk fills up (several builds and test
// runs share one), which reads as a fault of the card or of the code under test. Reserved
// at once, a disk that is too full is said at once, in words that name the disk's free
// space.

#include <cstdint>
#include <string>

namespace tessorin::testing {

// Makes the file at `path` (0600, created when missing) `bytes` long with every byte of
// it allocated on the disk; throws std::runtime_error saying how much is needed and free
// when the disk cannot hold it.
void reserveDisk(const std::string& path, std::uint64_t bytes);

}  // namespace tessorin::testing
