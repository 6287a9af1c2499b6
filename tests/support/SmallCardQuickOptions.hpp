#pragma once
// The quick check scaled to a 512 MiB simulated card: a 48 MiB zone, slots of 16 MiB,
// 32 MiB of filler, a short random phase. The check does what it does on a real card,
// only on less of it.

#include "ByteLiterals.hpp"
#include "tessorin/quick/QuickProbe.hpp"

namespace tessorin::testing {

inline QuickProbe::Options smallCardQuickOptions() {
  using namespace literals;
  QuickProbe::Options options;
  options.minimumSpacing = 16_MiB;
  options.overwhelmBytes = 32_MiB;
  options.zone.maximumBytes = 64_MiB;
  options.zone.minimumBytes = 16_MiB;
  options.zone.segmentBytes = 16_MiB;
  options.zone.chunkSize = 4_MiB;
  options.zone.randomSeconds = 0.2;
  // Reserving 48 MiB through exfat-fuse takes a fraction of a second, but these tests
  // share the machine with others; the refusal has a test of its own.
  options.slowAllocationSeconds = 30;
  // exfat-fuse, the only exFAT driver here, writes every byte it reserves, and the check
  // refuses it; these tests stand for a driver that does not, whose refusal has a test
  // of its own. A wrapping card for them is made with `unwrittenReservations`, or those
  // zeros wrap over the card's file system before the check has written anything.
  options.allocationTrialBytes = 0;
  return options;
}

}  // namespace tessorin::testing
