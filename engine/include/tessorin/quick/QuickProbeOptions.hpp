#pragma once
// QuickProbeOptions: how the quick check samples a card: how many slots and probes, the
// probe size, how much of each probe is read back, how much filler flushes the card's
// cache, and the speed zone's options. `QuickProbe::Options` is this type. A plain value,
// copied into the run.

#include <cstdint>
#include <memory>
#include <string>

#include "tessorin/posix/TestFolderClaim.hpp"
#include "tessorin/zone/ZoneTest.hpp"

namespace tessorin {

struct QuickProbeOptions {
  std::int64_t maximumSlots = 1024;                 // the slot spacing is at least free space / this
  std::int64_t maximumProbes = 64;                  // at most this many slots lie on the fine stride
  std::int64_t coarseStride = 8;                    // in fine strides; also the fewest slots accepted
  std::int64_t minimumSpacing = std::int64_t{64} << 20;
  std::int64_t probeSize = std::int64_t{64} << 10;  // bytes written per probe
  std::int64_t readPieces = 4;                      // 4 KiB pieces read back per probe and verification
  std::int64_t overwhelmBytes = std::int64_t{256} << 20;  // filler written behind the probes before a read-back
  ZoneTest::Options zone;                           // maximumBytes and segmentBytes size the zone file
  // A file system that takes longer than this to extend the zone file writes the space
  // instead of reserving it, and reserving all the slots would take as long as filling
  // the card: the check refuses such a volume.
  double slowAllocationSeconds = 2.0;
  // The first slot is reserved at this size on its own and forced to the card while the
  // device's write counter is watched. A driver that writes every reserved byte
  // (exfat-fuse; kernel exFAT drivers without valid-data-length support) would write
  // the whole card before the first probe, and over a fake's own file system past its
  // real size; its zeros may wait in the host's cache and look fast, so timing cannot
  // tell. The check refuses such a volume. 0 skips the trial: tests that must run the
  // check on such a driver all the same.
  std::int64_t allocationTrialBytes = std::int64_t{4} << 20;
  // The file system the check runs on. Benchmarks and tests point it at "ext4", where
  // reserving space writes nothing, as on the file systems the check is meant for.
  std::string fileSystem = "exfat";
  // The running check's folders: one of them found at the test folder's place is removed
  // whatever it holds, and a test folder the card keeps after the clean-up is noted on it.
  // None outside a check.
  std::shared_ptr<TestFolderClaim> testFolderClaim;

  // Throws std::invalid_argument naming the first rule broken: the slot, probe and stride
  // counts at least 1, the spacing a power of two, the probe whole 4 KiB pieces and
  // smaller than the spacing (it must leave room for the filler), no negative filler or
  // trial, and the zone's own rules.
  void validate() const;
};

}  // namespace tessorin
