#pragma once
// FullTestResult: the outcome of the advanced test's read-back: the manifest of what was
// written, the tally and capacity map of what came back, the read speed, and whether the
// files were left on the card. From it follow the verdict (passed, fake, damaged) and
// the capacity the card really holds. A plain value; its functions are pure and may be
// called on any thread.

#include <cstdint>
#include <optional>
#include <vector>

#include "tessorin/full/CapacityMap.hpp"
#include "tessorin/full/DeviceOrderTally.hpp"
#include "tessorin/full/FullTestWriteStop.hpp"
#include "tessorin/pattern/DeviceStartEvidence.hpp"
#include "tessorin/pattern/SectorTally.hpp"
#include "tessorin/pattern/WriteRefusal.hpp"
#include "tessorin/full/SpeedSample.hpp"
#include "tessorin/full/SpeedSummary.hpp"
#include "tessorin/full/TestManifest.hpp"

namespace tessorin {

struct FullTestResult {
  using WriteStop = FullTestWriteStop;

  // `unconfirmed`: what came back may have come from a cache the host kept of the card
  // (readBackReachedCard false) and showed no wrap: a fake passes a read-back from
  // memory, and one that loses part of it looks damaged, so no answer.
  enum class Verdict { passed, fake, damaged, unconfirmed };

  // A fake loses almost everything past its real end: fewer than this share of the
  // sectors after the first bad one may still read back.
  static constexpr double fakeOkFractionBelow = 0.02;
  // Failures starting this near the card's start are damage, not a short card: the
  // limit is a fiftieth of what was written, at most 64 MiB.
  static constexpr std::uint64_t fakeStartDivisor = 50;
  static constexpr std::uint64_t fakeStartLimitMaximum = 67'108'864;
  // Less than 32 MiB of bad data is never called a fake without wrapped sectors.
  static constexpr std::int64_t fakeBadSectorsAtLeast = 65'536;
  // Many fake controllers keep the last data written in a cache and serve it back until
  // they lose power, so a read-back that follows the writes finds the very end of what
  // was written intact on a card that kept nothing past its real size. Such caches hold
  // tens of MiB; the largest seen stay well below this. The bound does not grow with the
  // claimed size, which on a fake is the lie itself.
  static constexpr std::uint64_t controllerCacheMaximum = 268'435'456;
  // Two measures of a fake's capacity that differ by more than this share leave it
  // unknown: one of them came from positions that are no places on the medium (a file
  // system that spreads its files), and a wrong figure is worse than none.
  static constexpr double capacityTolerance = 0.02;

  TestManifest manifest;
  SectorTally tally;
  CapacityMap map;
  SpeedSummary readSpeed;
  std::vector<SpeedSample> readSamples;
  double readDuration = 0;
  bool filesKept = false;
  // Sectors read back from where writing broke off on an I/O error onwards: bytes the
  // card may never have taken, kept apart from the tally so that they judge only how
  // the card failed, never its capacity.
  SectorTally pastStop;
  // Looked at only when writing broke off on an I/O error.
  DeviceStartEvidence deviceStart;
  // The size of the volume's device as the system sees it (the claimed size, or the
  // partition's); absent where it could not be learnt.
  std::optional<std::uint64_t> deviceBytes;
  // The read-back in the order its sectors lie on the device, where the file system's
  // extent map told that order; absent where it did not (exfat-fuse), and the order of
  // the files is then taken for the card's.
  std::optional<DeviceOrderTally> deviceOrder;
  // Whether every sector read back came from the card: false where the volume is read
  // through the host's cache of the card's device, that cache could not be dropped, and
  // the card was not taken out and put back since writing. The read-back then judges
  // only what that cache cannot have served: a wrap, which makes the card a fake, and a
  // refused write, which the card itself reported, and lost data are still seen; it
  // measures no read speed, and a capacity only where the wrap alone proves one.
  bool readBackReachedCard = true;

  Verdict verdict() const;
  // The average read speed, unless the read-back may have timed the host's memory.
  std::optional<double> cardReadSpeed() const {
    return readBackReachedCard ? std::optional<double>(readSpeed.average) : std::nullopt;
  }
  // The tally in the order the sectors lie on the card: the device's where it is known,
  // else the files'. What the verdict and the place where keeping stopped are judged on.
  const SectorTally& cardOrderTally() const { return deviceOrder ? deviceOrder->tally : tally; }
  // Bytes the card really holds, from the start of the volume; none when the card passed,
  // is damaged without a clear end, or is a fake whose measures disagree. A wrap-around
  // fake's is its wrap distance, unless it kept more; a fake that refuses writes only
  // past a place ends there; any other fake's is where keeping stopped on the device
  // where that is known, else the bytes it kept, when the two agree. Read back through
  // the host's cache, a wrap-around fake's is wrapSizeProvenByMisplacedData().
  std::optional<std::uint64_t> realCapacity() const;
  // The real size of a wrap-around fake as its misplaced sectors alone prove it, with no
  // ok sector taken as kept: the divisor of the wrap distances, where what was written
  // from the lowest misplaced content on is more than half of it. None where they leave
  // the size open (a multiple of it could have shown), or where the files need not lie on
  // the card in the order they were written.
  std::optional<std::uint64_t> wrapSizeProvenByMisplacedData() const;
  // Bytes the card demonstrably kept, counted wherever the file system put them: what
  // was in use before and no wrap wrote over, the ok sectors without a controller's
  // cached tail and, where no sector wrapped over them, the file system's own
  // structures. A card holds at least this much, whatever the order of its files on
  // the medium.
  std::uint64_t keptBytes() const;
  // Of the bytes in use before the test, those no wrap can have written over; they are
  // kept beside the test's own.
  std::uint64_t usedBytesKept() const;
  // The device's bytes that the volume's figures leave out: the file system's own
  // structures, which lie at the start of a card. 0 when the device size is unknown.
  std::uint64_t structureBytes() const;
  // Of the sectors written after the first bad one on the card, the share that read back
  // ok.
  double okFractionAfterFirstBad() const;
  // The good sectors, in bytes, that form one run at the very end of what was written,
  // after the last bad one in writing order, when they can only be a controller's cache
  // serving its last writes: at most controllerCacheMaximum, and no longer than the
  // stretch lost before them (a card that seems to keep more than it lost has a bad
  // band, not a cache). 0 otherwise.
  std::uint64_t cachedTailBytes() const;
  // The share of the sectors after the first bad one that the card really kept: the ok
  // share without a cached tail. The verdict's measure.
  double keptFractionAfterFirstBad() const;
  std::uint64_t firstBadOrWritten() const;
  // Writing broke off on a refused write, not too near the card's start, the card took a
  // write below that place again, and it kept everything it took: it fails only past a
  // place, as a fake fails past its real size. A card that turned read-only refuses the
  // write below the place too.
  bool refusesOnlyPastStop() const;
  // Where writing stopped on an I/O error, counted from the volume's start.
  std::uint64_t stopPlace() const;
  // Whether the card refused a write, and whether it kept what it took.
  WriteRefusal writeRefusal() const;
  // The smallest distance at which the card was seen to wrap, by a run of sectors,
  // through the files or on the device's start.
  std::optional<std::uint64_t> wrapDistance() const;
};

}  // namespace tessorin
