#pragma once
// ProbeEngine: the memory of one quick check across its stages: each probe's outcome
// and write time, which probes were written, which ever read back intact or bad, and
// which wait for their first read-back. It decides which slots the next fine pass
// probes. A plain value owned by the run's worker thread.

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "tessorin/pattern/ProbeCell.hpp"
#include "tessorin/quick/ProbeLayout.hpp"
#include "tessorin/pattern/ProbeOutcome.hpp"
#include "tessorin/pattern/SectorTally.hpp"
#include "tessorin/pattern/TestPattern.hpp"

namespace tessorin {

struct ProbeEngine {
  ProbeLayout layout;                    // slotCount is the number of slots allocated
  std::int64_t probeSize = 0;
  std::int64_t readPieces = 0;
  TestPattern pattern;
  std::vector<ProbeOutcome> outcomes;    // per slot, all untested at the start
  std::vector<double> writeSeconds;      // per slot, 0 until written
  std::optional<std::uint64_t> wrapDistance;
  std::set<std::int64_t> written;        // written successfully; re-read in every verification
  std::set<std::int64_t> everIntact;
  std::set<std::int64_t> everBad;        // failed a write or a read at least once
  std::set<std::int64_t> lostAfterVerifying;
  std::set<std::int64_t> pending;        // written since the last verification

  ProbeEngine(const ProbeLayout& layout, std::int64_t probeSize, std::int64_t readPieces, TestPattern pattern);

  // Takes in one probe's read-back. The first bad kind a probe showed stays its outcome,
  // except that misplaced data (the mark of an address wrap) always replaces it, and a
  // probe that once failed never becomes ok again.
  void record(std::int64_t slot, const SectorTally& tally);
  void recordWriteFailure(std::int64_t slot);
  void recordWritten(std::int64_t slot, double seconds);

  // How each slot is drawn: written while its read-back is pending, else by its outcome.
  std::vector<ProbeCell> cells() const;

  // The slots the next fine pass writes, ascending: on a card that wraps, the untested
  // slots of the first coarse interval; on a card with a failing tail, those between
  // the last good probe and the cut; otherwise every untested slot on the fine stride.
  std::vector<std::int64_t> nextFineSlots() const;
};

}  // namespace tessorin
