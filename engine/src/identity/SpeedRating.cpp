#include "tessorin/identity/SpeedRating.hpp"

#include <algorithm>

namespace tessorin {

namespace {

constexpr double lostDataFraction = 0.01;
// A reader needs this much room above a marking's minimum to show that a card falls short.
constexpr double readerHeadroom = 1.1;
// A card writing this close to the reader's ceiling may be held back by the reader.
constexpr double readerLimitedShare = 0.85;
// Random-access rates mean little on a card too slow for sustained writes.
constexpr double appClassWriteFloor = 10'000'000;

}  // namespace

SpeedRating SpeedRating::rate(const ZoneResult& zone, std::optional<double> rememberedCeiling) {
  SpeedRating rating;
  rating.sustainedWrite = zone.writeSpeed();
  rating.typicalWrite = zone.medianWriteSegment();
  double fastestRead = 0;
  if (zone.readBackReachedCard) {
    rating.read = zone.readSpeed();
    fastestRead = std::max(*rating.read, zone.maximumReadSegment());
  }
  if (fastestRead > uhsReadThreshold) {
    rating.bus = BusMode::uhs;
  } else if (zone.readBackReachedCard && rememberedCeiling && *rememberedCeiling >= fastReaderThreshold) {
    // A reader known to be fast that read this card slowly: the card has no UHS bus.
    rating.bus = BusMode::legacy;
  } else {
    rating.bus = BusMode::unknown;
  }
  const double fastestWrite =
      zone.writeSegments.empty() ? 0 : *std::max_element(zone.writeSegments.begin(), zone.writeSegments.end());
  rating.readerCeiling = std::max({rememberedCeiling.value_or(0), fastestRead, fastestWrite});
  rating.dataLost = zone.writeFailed || zone.badFraction() > lostDataFraction;
  if (!rating.dataLost) {
    for (const SpeedClass marking : SpeedClass::allCases()) {
      if (rating.sustainedWrite >= marking.minimumWriteSpeed() &&
          !(marking.needsUHSBus() && rating.bus == BusMode::legacy)) {
        rating.met.push_back(marking);
      }
    }
  }
  return rating;
}

SpeedRating::Check SpeedRating::check(SpeedClass marking) const {
  if (dataLost) return Check::missed;
  if (std::find(met.begin(), met.end(), marking) != met.end()) return Check::met;
  if (marking.needsUHSBus() && bus == BusMode::legacy) return Check::missed;
  if (readerCeiling < readerHeadroom * marking.minimumWriteSpeed()) return Check::unknown;
  if (typicalWrite >= readerLimitedShare * readerCeiling) return Check::unknown;
  return Check::missed;
}

std::optional<SpeedClass> SpeedRating::bestMet(SpeedClass::Family family) const {
  const auto found = std::find_if(met.rbegin(), met.rend(), [family](SpeedClass marking) {
    return marking.family() == family;
  });
  if (found == met.rend()) return std::nullopt;
  return *found;
}

std::optional<SpeedClass> SpeedRating::firstMissed(SpeedClass::Family family) const {
  for (const SpeedClass marking : SpeedClass::allCases()) {
    if (marking.family() == family && check(marking) == Check::missed) return marking;
  }
  return std::nullopt;
}

std::optional<SpeedClass> SpeedRating::firstUnconfirmed(SpeedClass::Family family) const {
  for (const SpeedClass marking : SpeedClass::allCases()) {
    if (marking.family() != family) continue;
    const Check judgement = check(marking);
    if (judgement == Check::met) continue;
    if (judgement == Check::unknown) return marking;
    return std::nullopt;
  }
  return std::nullopt;
}

std::vector<SpeedRating::Marking> SpeedRating::markings() const {
  static constexpr SpeedClass::Family families[] = {SpeedClass::Family::speed, SpeedClass::Family::uhs,
                                                    SpeedClass::Family::video};
  std::vector<Marking> entries;
  for (const auto family : families) {
    if (const auto best = bestMet(family)) entries.push_back({*best, Check::met});
  }
  for (const auto family : families) {
    if (const auto unconfirmed = firstUnconfirmed(family)) entries.push_back({*unconfirmed, Check::unknown});
  }
  return entries;
}

std::optional<std::string> SpeedRating::uncheckableMarkingsText() const {
  std::string text;
  for (const Marking& entry : markings()) {
    if (entry.check != Check::unknown) continue;
    if (!text.empty()) text += " · ";
    text += entry.marking.label();
  }
  if (text.empty()) return std::nullopt;
  return text;
}

std::optional<AppPerformanceClass> SpeedRating::appClass(std::optional<double> randomReadIOPS,
                                                         std::optional<double> randomWriteIOPS) const {
  // Written as "not at least" so that a speed that is not a number counts as too slow.
  if (dataLost || !randomReadIOPS || !randomWriteIOPS || !(sustainedWrite >= appClassWriteFloor)) return std::nullopt;
  const auto& classes = AppPerformanceClass::allCases();
  for (auto marking = classes.rbegin(); marking != classes.rend(); ++marking) {
    if (*randomReadIOPS >= marking->minimumReadIOPS() && *randomWriteIOPS >= marking->minimumWriteIOPS()) return *marking;
  }
  return std::nullopt;
}

}  // namespace tessorin
