#pragma once
// ResultFigures: the figures every result display derives the same way from a finished
// check: where a quick check's capacity range is too wide to state as one figure, the
// size the check covered, byte amounts counted in sectors, and speed and duration texts
// that show a missing figure instead of a converted broken one. Pure functions; any
// thread.

#include <cstdint>
#include <initializer_list>
#include <optional>

#include <QString>

#include "session/records/CheckOutcome.hpp"
#include "tessorin/pattern/SectorTally.hpp"
#include "tessorin/pattern/WriteRefusal.hpp"
#include "tessorin/quick/QuickProbeResult.hpp"

namespace tessorin {

struct ResultFigures {
  // The range's upper end when it lies more than a twentieth of the lower end above it
  // (whole-number division); a narrower range is stated as its lower end alone.
  static std::optional<std::uint64_t> wideRangeEnd(const QuickProbeResult::CapacityRange& range);
  // Where a quick check's fake card starts losing data, when only a wide range is known;
  // none once the advanced test has a result.
  static std::optional<std::uint64_t> lostFrom(const CheckOutcome& outcome);
  // The part of the card a capacity test covered: the advanced test's plan, else the
  // quick check's layout. The speed zone alone is a fixed-size sample and covers nothing.
  static std::optional<std::uint64_t> coveredBytes(const CheckOutcome& outcome);
  // Whether the advanced test wrote only part of the card: under half of it was free, or
  // the card stopped taking data. Its figures then speak for that part alone.
  static bool testedOnlyPart(const CheckOutcome& outcome);
  // Whether the card stopped accepting writes, by the check that settled the verdict.
  static WriteRefusal writeRefusal(const CheckOutcome& outcome);

  // Counts (sectors, stalls) summed, and sector counts turned into bytes, saturating at
  // 2^63 - 1 so that a tally near the top of its range never wraps; negative counts add 0.
  static std::int64_t saturatingSum(std::initializer_list<std::int64_t> counts);
  static std::uint64_t sectorBytes(std::int64_t sectors);
  // The bytes that came back empty: blank sectors and another session's data, both data
  // the card never stored. Neither can come from this computer's copy of what was
  // written, so they count even where the rest of the read-back may have been memory.
  static std::uint64_t cameBackEmptyBytes(const SectorTally& tally);
  // The bytes that came back other than written: data meant for elsewhere, corrupted or
  // unreadable. That copy holds what was written, so these came from the card too.
  static std::uint64_t cameBackWrongBytes(const SectorTally& tally);

  // The missing-figure dash for a speed or time that is not finite, so it never reads as 0.
  static QString speedText(double bytesPerSecond);
  // The dash for a speed that was not measured.
  static QString speedText(std::optional<double> bytesPerSecond);
  static QString durationText(double seconds);

  // The marketing size of a real capacity, only when it differs from the claimed size's
  // text: a card short by little is not "a 64 GB card sold as 64 GB".
  static std::optional<QString> nominalSizeDifferentFromClaim(std::uint64_t realBytes, std::uint64_t advertisedBytes);
};

}  // namespace tessorin
