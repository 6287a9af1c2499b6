#include "session/records/CheckOutcome.hpp"

#include "tessorin/identity/CaseWithRawValue.hpp"

namespace tessorin {

namespace {

constexpr std::array<std::string_view, CheckOutcome::Verdict::caseCount> verdictNames{
    "genuine", "likelyGenuine", "fake", "damaged", "inconclusive"};
constexpr std::array<std::string_view, CheckOutcome::Method::caseCount> methodNames{"quick", "full"};

}  // namespace

const std::array<CheckOutcome::Verdict, CheckOutcome::Verdict::caseCount>& CheckOutcome::Verdict::allCases() {
  static const std::array<Verdict, caseCount> cases{{genuine, likelyGenuine, fake, damaged, inconclusive}};
  return cases;
}

std::optional<CheckOutcome::Verdict> CheckOutcome::Verdict::fromRawValue(std::string_view rawValue) {
  return caseWithRawValue<Verdict>(rawValue);
}

std::string_view CheckOutcome::Verdict::rawValue() const { return verdictNames[value_]; }

const std::array<CheckOutcome::Method, CheckOutcome::Method::caseCount>& CheckOutcome::Method::allCases() {
  static const std::array<Method, caseCount> cases{{quick, full}};
  return cases;
}

std::optional<CheckOutcome::Method> CheckOutcome::Method::fromRawValue(std::string_view rawValue) {
  return caseWithRawValue<Method>(rawValue);
}

std::string_view CheckOutcome::Method::rawValue() const { return methodNames[value_]; }

bool CheckOutcome::testedUnderHalf() const {
  if (advertisedBytes == 0) return false;
  std::optional<std::uint64_t> testedBytes;
  if (full) {
    testedBytes = full->manifest.plannedBytes;
  } else if (quick) {
    testedBytes = quick->layout.totalBytes();
  } else if (zone) {
    testedBytes = zone->bytes;
  }
  if (!testedBytes) return false;
  // Exactly half is enough.
  return static_cast<double>(advertisedBytes) * 0.5 > static_cast<double>(*testedBytes);
}

bool CheckOutcome::readBackMayBeFromMemory() const {
  if (full) return !full->readBackReachedCard;
  if (quick) return !quick->readBackReachedCard;
  // A check stopped after its speed was measured has only the zone's read-back to show.
  // One that reached nothing because the card stopped answering read no copy either.
  return zone && !zone->readBackReachedCard && !zone->cardStoppedAnswering;
}

}  // namespace tessorin
