#pragma once
// Engine values for the result displays' tests: a quick check whose fake verdict gives an
// exact capacity range, advanced-test results with a chosen tally, zone results, speed
// ratings and outcomes, each built the way the engine builds them.

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "session/records/CheckOutcome.hpp"
#include "tessorin/full/FullTestResult.hpp"
#include "tessorin/identity/SpeedRating.hpp"
#include "tessorin/quick/QuickProbeResult.hpp"
#include "tessorin/zone/ZoneResult.hpp"

#include <ostream>

#include <QString>

// Readable failures for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace tessorin::testing {

constexpr std::int64_t largestCount = std::numeric_limits<std::int64_t>::max();

// Sector counts by kind, written with designated initializers: Sectors{.blank = 3}.
struct Sectors {
  std::int64_t ok = 0, blank = 0, stale = 0, misplaced = 0, corrupted = 0, unreadable = 0;

  operator SectorTally() const {
    SectorTally tally;
    tally.ok = ok;
    tally.blank = blank;
    tally.stale = stale;
    tally.misplaced = misplaced;
    tally.corrupted = corrupted;
    tally.unreadable = unreadable;
    return tally;
  }
};

// Probes ok, bad, bad: the card loses data from the second probe on, so the quick verdict
// is fake with the range (lower, upper); lower must be at least 1,000,000.
inline QuickProbeResult fakeQuickResult(std::uint64_t lower, std::uint64_t upper) {
  QuickProbeResult quick;
  quick.probeSize = 1'000'000;
  quick.usedBytes = lower - static_cast<std::uint64_t>(quick.probeSize);
  quick.layout.spacing = upper - quick.usedBytes;
  quick.layout.slotCount = 3;
  quick.volumeBytes = 4 * upper;
  quick.outcomes = {ProbeOutcome::ok, ProbeOutcome::blank, ProbeOutcome::blank};
  quick.writeSeconds = {0.5, 0.5, 0.5};
  quick.completed = QuickProbeResult::Stage::zone;
  return quick;
}

// Every probe intact: the quick check passes. The layout covers `covered` bytes.
inline QuickProbeResult passedQuickResult(std::uint64_t covered) {
  QuickProbeResult quick;
  quick.probeSize = 1'000'000;
  quick.layout.zoneBytes = 0;
  quick.layout.slotCount = 4;
  quick.layout.spacing = covered / 4;
  quick.volumeBytes = covered;
  quick.outcomes = std::vector<ProbeOutcome>(4, ProbeOutcome::ok);
  quick.writeSeconds = {0.5, 0.5, 0.5, 0.5};
  quick.completed = QuickProbeResult::Stage::zone;
  return quick;
}

inline ZoneResult cleanZone(std::uint64_t bytes = 256'000'000) {
  return ZoneResult::make(bytes, 10, {25e6, 25e6, 25e6, 25e6}, 5, {50e6}, Sectors{.ok = 500'000}, false);
}

inline FullTestResult fullResult(std::uint64_t written, SectorTally tally,
                                 FullTestWriteStop stop = FullTestWriteStop::completed()) {
  FullTestResult full;
  full.manifest.session = 7;
  full.manifest.plannedBytes = written;
  full.manifest.volumeBytes = written;
  full.manifest.files = {{"F00000.otr", 0, written}};
  full.manifest.writeStop = stop;
  full.manifest.writeSpeed = {20e6, 15e6, 25e6};
  full.manifest.writeDuration = 100;
  full.readSpeed = {60e6, 55e6, 65e6};
  full.readDuration = 40;
  full.tally = tally;
  full.map = CapacityMap(written);
  return full;
}

inline SpeedRating rating(BusMode bus, std::vector<SpeedClass> met, bool dataLost = false) {
  SpeedRating speed;
  speed.sustainedWrite = 41e6;
  speed.typicalWrite = 42e6;
  speed.read = 90e6;
  speed.bus = bus;
  speed.dataLost = dataLost;
  speed.met = std::move(met);
  speed.readerCeiling = 300e6;
  return speed;
}

inline CheckOutcome outcome(CheckOutcome::Verdict verdict, std::uint64_t advertised = 64'000'000'000) {
  CheckOutcome result;
  result.verdict = verdict;
  result.advertisedBytes = advertised;
  result.date = QDateTime(QDate(2026, 3, 14), QTime(9, 26));
  return result;
}

}  // namespace tessorin::testing
