#pragma once
// SpeedRating: a speed zone run judged against the speed markings: the sustained, typical
// and read speeds, the bus the card ran on, whether the run lost data, the markings the
// card reaches and the fastest speed this reader is known to manage. From it follows,
// marking by marking, whether the card meets it, misses it, or the reader is too slow to
// tell. A plain value; all members are pure and may be called from any thread.

#include <optional>
#include <string>
#include <vector>

#include "tessorin/identity/SpeedClass.hpp"
#include "tessorin/zone/ZoneResult.hpp"

namespace tessorin {

struct SpeedRating {
  enum class Check { met, missed, unknown };

  // One marking to show with its judgement.
  struct Marking {
    SpeedClass marking;
    Check check;
    friend bool operator==(const Marking&, const Marking&) = default;
  };

  // A read above this cannot have come over the legacy bus.
  static constexpr double uhsReadThreshold = 26'000'000;
  // A reader seen reading this fast would have shown a UHS card's speed.
  static constexpr double fastReaderThreshold = 35'000'000;

  double sustainedWrite = 0;  // bytes per second over the whole write
  double typicalWrite = 0;    // median write segment
  // None when the zone's read-back may have come from the computer's memory.
  std::optional<double> read;
  BusMode bus = BusMode::unknown;
  bool dataLost = false;
  std::vector<SpeedClass> met;  // declaration order; empty when data was lost
  double readerCeiling = 0;     // fastest speed this reader is known to reach

  // rememberedCeiling is the best read speed of this reader from before this run; this
  // run's own figures never decide the bus. Reads that may have come from memory are left
  // out: they would show any bus as fast and any reader as able to judge every marking.
  static SpeedRating rate(const ZoneResult& zone, std::optional<double> rememberedCeiling);

  Check check(SpeedClass marking) const;
  // The highest met marking of the family.
  std::optional<SpeedClass> bestMet(SpeedClass::Family family) const;
  // The lowest marking of the family judged `missed`.
  std::optional<SpeedClass> firstMissed(SpeedClass::Family family) const;
  // The lowest unmet marking of the family, when the reader is what keeps it unjudged.
  std::optional<SpeedClass> firstUnconfirmed(SpeedClass::Family family) const;
  // The markings to show: the best met marking of each family (speed, UHS, video), then
  // the lowest unmet marking of each family that the reader could not judge. A missed
  // marking is never listed, nor one below the best met of its family.
  std::vector<Marking> markings() const;
  // The labels of the markings this reader cannot judge, joined by " · " ("U3 · V30");
  // none when there is no such marking.
  std::optional<std::string> uncheckableMarkingsText() const;
  // The highest application class the random rates reach; none without both rates.
  std::optional<AppPerformanceClass> appClass(std::optional<double> randomReadIOPS,
                                              std::optional<double> randomWriteIOPS) const;

  friend bool operator==(const SpeedRating&, const SpeedRating&) = default;
};

}  // namespace tessorin
