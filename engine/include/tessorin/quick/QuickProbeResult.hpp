#pragma once
// QuickProbeResult: what a quick check found: each probe's outcome and write time, the
// zone measurement and where the test area lay on the card. The verdict and the range of
// the card's real capacity are derived from it. The same value, without a zone result,
// is handed out twice during the run as a provisional result. A plain value, safe to
// copy to any thread; all operations are pure.

#include <cstdint>
#include <optional>
#include <vector>

#include "tessorin/pattern/DeviceStartEvidence.hpp"
#include "tessorin/quick/ProbeAnalysis.hpp"
#include "tessorin/quick/ProbeLayout.hpp"
#include "tessorin/pattern/ProbeOutcome.hpp"
#include "tessorin/pattern/WriteRefusal.hpp"
#include "tessorin/zone/ZoneResult.hpp"

namespace tessorin {

struct QuickProbeResult {
  enum class Stage { coarse = 1, fine = 2, zone = 3 };
  enum class Verdict { passed, fake, damaged, inconclusive };

  // Byte counts from the start of the volume, both ends included.
  struct CapacityRange {
    std::uint64_t lower = 0;
    std::uint64_t upper = 0;
    bool contains(std::uint64_t bytes) const { return lower <= bytes && bytes <= upper; }
    friend bool operator==(const CapacityRange&, const CapacityRange&) = default;
  };

  ProbeLayout layout;                       // with the allocated slot count
  std::vector<ProbeOutcome> outcomes;       // one per slot
  std::vector<double> writeSeconds;         // per slot, the probe's write and sync; 0 when not written
  std::int64_t probeSize = 0;
  std::uint64_t usedBytes = 0;              // in use on the volume before the check
  std::uint64_t volumeBytes = 0;
  // The smallest distance between where a sector was read and where its content was
  // written for, over all verifications, in the test area's own positions: the size at
  // which the card wraps its addresses where the slot files lie in order on the card,
  // only a distance between slots where the file system places them otherwise.
  std::optional<std::uint64_t> wrapDistance;
  std::optional<ZoneResult> zone;           // absent in the provisional results
  Stage completed = Stage::coarse;
  double duration = 0;                      // seconds from the start of the check
  std::int64_t lostAfterVerifying = 0;      // read back intact once, failed (not misplaced) later
  // The bytes the check had written when the card refused a write and every one after
  // it (a worn card turning read-only), or when its file system broke and the check's
  // files could no longer be made or opened; absent while the card accepted writes.
  std::optional<std::uint64_t> writesRefusedAfter;
  // What the first sectors of the card's device held then: a fake's wrap may have landed
  // there, where no file is ever stored, before any probe could show it. Looked at only
  // when writes stopped being taken.
  DeviceStartEvidence deviceStart;
  // The zone and slot files lie on the card in the order and at the distances their
  // positions say, as far as the file system's extent map shows (where it shows none,
  // as on exFAT, they are taken to). Where they do not, positions are no places on the
  // card and no capacity is given.
  bool testAreaInOrder = true;
  // Where the test area does not lie in order and the extent map tells where every
  // probe lies (ext4): the slots in the order of their probes on the device, in which
  // the probes are judged. Empty otherwise.
  std::vector<std::int64_t> slotsInDeviceOrder;
  // Whether the probes were read back from the card: false where the volume is read
  // through the host's cache of the card's device and that cache could not be dropped
  // before a read-back (an ordinary user may not open the device). The probes then
  // judge nothing but a wrap, which that cache cannot have served: the check is a fake's
  // without a capacity, or inconclusive.
  bool readBackReachedCard = true;

  // Over the tested slots: the failing slot that best splits them into good probes below
  // and failing ones from it on. Nothing when no tested slot fails.
  static std::optional<ProbeAnalysis> analyseOutcomes(const std::vector<ProbeOutcome>& outcomes);

  Verdict verdict() const;
  // Whether the card stopped accepting writes, and whether it kept what it took.
  WriteRefusal writeRefusal() const;
  // A zone was written without failure, holds data, and at most half of it came back bad.
  bool zoneIntact() const;
  bool zoneHasErrors() const;
  // The probes counted as failed for a fake card; 0 for any other verdict.
  std::int64_t failedProbeCount() const;
  // Where the card's real capacity lies; a fake card's only.
  std::optional<CapacityRange> realCapacityRange() const;

  std::int64_t okCount() const;
  std::int64_t testedCount() const;
  std::int64_t failingCount() const;
  // The share of the volume that was free, and so sampled, before the check.
  double coveredFraction() const;
  // Probe writes that took far longer than the typical one: the card stalled.
  std::int64_t stalledWriteCount() const;
  double maximumWriteSeconds() const;

  friend bool operator==(const QuickProbeResult&, const QuickProbeResult&) = default;

 private:
  // The outcomes the verdict weighs, in the order of the card where it is known: all of
  // them, less the writes a card refused after it stopped accepting data.
  std::vector<ProbeOutcome> judgedOutcomes() const;
  // Whether the smallest distance found may be a multiple of the real size: a write that
  // failed lies where a card of a whole fraction of that size would have shown a shorter
  // one. Needs a wrap distance.
  bool wrapMayBeAMultiple() const;
};

}  // namespace tessorin
