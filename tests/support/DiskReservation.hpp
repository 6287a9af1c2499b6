#pragma once
// DiskReservation: gives a test's medium (a loop device's image, a simulated card's backing
// file) its disk space before the test begins, for as long as the object lives. Left
// sparse, a medium larger than what is left of the disk fails halfway with EIO once the
// disk fills up (several builds and test runs share one), which reads as a fault of the
// card or of the code under test. Reserved at once, a disk that is too full is said at
// once, in words that name the disk's free space.
//
// Tests run side by side, each taking its whole medium at its start: a medium that does
// not fit while other tests hold theirs waits for them (DiskTurns), and a slice of the
// disk is always left for what tests make beside their media (folders, file-system images,
// logs), which would otherwise fail with no word about the disk.

#include <cstdint>
#include <string>

#include "DiskTurns.hpp"

namespace tessorin::testing {

class DiskReservation {
 public:
  // Makes the file at `path` (0600, created when missing) `bytes` long with every byte
  // of it allocated on the disk. Throws std::runtime_error saying how much is needed and
  // free when the disk cannot hold it and no other test holds disk that would make room.
  DiskReservation(std::string path, std::uint64_t bytes);
  // Removes the file, and only then lets the waiting tests look at the disk again.
  ~DiskReservation();
  DiskReservation(const DiskReservation&) = delete;
  DiskReservation& operator=(const DiskReservation&) = delete;

 private:
  std::string path_;
  DiskTurns::Mark holding_;
};

}  // namespace tessorin::testing
