#pragma once
// SectorTally: the counts of every verdict over the sectors a test read back, with the
// lowest failing position and the smallest wrap distance. A plain value: copy it
// across threads, never share one between them.

#include <cstdint>
#include <optional>

#include "tessorin/pattern/TestPattern.hpp"

namespace tessorin {

struct SectorTally {
  // Misplaced data nearer than this to where it belongs is treated as corruption, not as
  // the address wrap of a counterfeit controller.
  static constexpr std::uint64_t minimumWrapDistance = 0x1000000;
  // A card that wraps moves whole stretches of what was written by its real size. A file
  // system that saves one block of its own records writes the whole block back, and on a
  // card that wrapped onto that block what it read back is partly the test's data: its
  // journal then holds a copy of a few of the test's sectors, any distance from where
  // the card put them. A distance is the card's only where this many sectors in a row
  // show it, more than a few blocks of records hold.
  static constexpr std::int64_t wrapRunSectors = 32;

  // Sectors misplaced by one distance, one after another.
  class WrapRun {
   public:
    // Whether the sector at `position`, misplaced by `distance`, makes its run
    // wrapRunSectors long.
    bool completes(std::uint64_t position, std::uint64_t distance);

   private:
    std::uint64_t distance_ = 0;
    std::uint64_t next_ = 0;
    std::int64_t length_ = 0;
  };

  std::int64_t ok = 0;
  std::int64_t blank = 0;
  std::int64_t stale = 0;
  std::int64_t misplaced = 0;
  std::int64_t corrupted = 0;
  std::int64_t unreadable = 0;
  std::optional<std::uint64_t> firstBadPosition;
  // How far, in the test's own byte space, the nearest misplaced sector lay from the
  // position its content was written for; a place on the card only where the file
  // system lays the test files out in order.
  std::optional<std::uint64_t> smallestWrapDistance;
  // The same, of distances that wrapRunSectors sectors in a row showed; recorded only
  // where a WrapRun follows the sectors.
  std::optional<std::uint64_t> smallestWrapRunDistance;
  // The largest distance that divides every one the runs showed. A card that wraps
  // moves each sector by a whole multiple of its real size, so that this is one too,
  // however far apart the sectors that came back from it lay.
  std::optional<std::uint64_t> wrapRunDistanceDivisor;
  // The lowest position whose content a run showed in another place.
  std::optional<std::uint64_t> lowestWrapRunSource;
  // Depends on the order of recording: ok sectors recorded after some bad one.
  std::int64_t okAfterFirstBad = 0;
  // Where the highest bad sector ends: in a read-back in order, everything from here on
  // read back ok.
  std::optional<std::uint64_t> lastBadEnd;

  // Sums stop at the largest count rather than wrap.
  std::int64_t badSectors() const;
  std::uint64_t badBytes() const { return static_cast<std::uint64_t>(badSectors()) * TestPattern::sectorSize; }
  std::int64_t checkedSectors() const { return saturatingSum(ok, badSectors()); }
  std::uint64_t okBytes() const { return static_cast<std::uint64_t>(ok) * TestPattern::sectorSize; }
  // Sectors a card that merely refuses writes never returns: unreadable, damaged, or
  // holding data written for another place. Blank sectors and another session's data are
  // what a refused write leaves behind.
  std::int64_t lostSectors() const { return saturatingSum(saturatingSum(unreadable, misplaced), corrupted); }

  // `run`: the sectors recorded before this one, one after another, when they are.
  void record(const SectorStatus& status, std::uint64_t position, WrapRun* run = nullptr);
  // A sector at `position` holding what was written for `source`, misplaced by
  // `distance` (at least minimumWrapDistance), as far as the caller measures it.
  void noteWrap(std::uint64_t position, std::uint64_t source, std::uint64_t distance, WrapRun* run);
  void recordUnreadable(std::int64_t count, std::uint64_t position);

  friend bool operator==(const SectorTally&, const SectorTally&) = default;

 private:
  static std::int64_t saturatingSum(std::int64_t a, std::int64_t b);
  void noteBad(std::uint64_t position, std::uint64_t end);
};

}  // namespace tessorin
