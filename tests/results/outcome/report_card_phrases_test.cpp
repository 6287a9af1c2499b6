// The report card's measured phrases and the figures every result display shares.

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "ResultValues.hpp"
#include "theme/text/DisplayFormat.hpp"
#include "results/outcome/ReportCardPhrases.hpp"
#include "results/outcome/ResultFigures.hpp"

namespace tessorin {
namespace {

using namespace testing;
using Verdict = CheckOutcome::Verdict;
using Tone = ReportCardPhrases::Tone;
using Phrase = ReportCardPhrases::Phrase;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

TEST(ResultFigures, RangeIsWideOnlyWhenItsWidthExceedsATwentiethOfItsLowerEnd) {
  struct Case {
    std::uint64_t lower, upper;
    std::optional<std::uint64_t> end;
  };
  const Case cases[] = {
      {8'000'000'000, 8'300'000'000, std::nullopt},
      {8'000'000'000, 8'400'000'000, std::nullopt},
      {8'000'000'000, 8'500'000'000, 8'500'000'000},
      {8'000'000'019, 8'400'000'019, std::nullopt},
      {8'000'000'019, 8'400'000'020, 8'400'000'020},
      {0, 0, std::nullopt},
      {0, 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResultFigures::wideRangeEnd({c.lower, c.upper}), c.end) << c.lower << " - " << c.upper;
  }
}

TEST(ResultFigures, LostFromNeedsAWideQuickRangeAndNoAdvancedResult) {
  CheckOutcome fake = outcome(Verdict::fake);
  fake.quick = fakeQuickResult(7'000'000'000, 15'500'000'000);
  EXPECT_EQ(ResultFigures::lostFrom(fake), 15'500'000'000u);
  fake.full = fullResult(8'000'000'000, {});
  EXPECT_EQ(ResultFigures::lostFrom(fake), std::nullopt);
  CheckOutcome narrow = outcome(Verdict::fake);
  narrow.quick = fakeQuickResult(10'000'000'000, 10'500'000'000);
  EXPECT_EQ(ResultFigures::lostFrom(narrow), std::nullopt);
}

TEST(ResultFigures, SectorAmountsSaturateInsteadOfWrapping) {
  EXPECT_EQ(ResultFigures::sectorBytes(4), 2048u);
  EXPECT_EQ(ResultFigures::sectorBytes(-3), 0u);
  EXPECT_EQ(ResultFigures::sectorBytes(largestCount / 512), static_cast<std::uint64_t>(largestCount / 512 * 512));
  EXPECT_EQ(ResultFigures::sectorBytes(largestCount / 512 + 1), static_cast<std::uint64_t>(largestCount));
  EXPECT_EQ(ResultFigures::saturatingSum({largestCount, 1, largestCount}), largestCount);
  EXPECT_EQ(ResultFigures::saturatingSum({3, -5, 1}), 4);
}

TEST(ResultFigures, BrokenSpeedsAndTimesShowTheDashWhileShortTimesShowOneSecond) {
  EXPECT_EQ(ResultFigures::speedText(nan), "—");
  EXPECT_EQ(ResultFigures::speedText(infinity), "—");
  EXPECT_EQ(ResultFigures::speedText(41e6), "41\u00A0MB/s");
  EXPECT_EQ(ResultFigures::durationText(nan), "—");
  EXPECT_EQ(ResultFigures::durationText(-infinity), "—");
  EXPECT_EQ(ResultFigures::durationText(0), DisplayFormat::durationText(1));
  EXPECT_EQ(ResultFigures::durationText(0.4), DisplayFormat::durationText(1));
  EXPECT_EQ(ResultFigures::durationText(59), DisplayFormat::durationText(59));
}

TEST(ReportCardPhrases, CapacityVerdictByVerdict) {
  CheckOutcome fakeWithSize = outcome(Verdict::fake);
  fakeWithSize.realBytes = 31'900'000'000;
  CheckOutcome wholeCard = outcome(Verdict::genuine);
  wholeCard.full = fullResult(63'800'000'000, Sectors{.ok = 10});
  CheckOutcome underHalfFree = outcome(Verdict::genuine);
  underHalfFree.full = fullResult(20'000'000'000, Sectors{.ok = 10});
  struct Case {
    CheckOutcome outcome;
    Phrase phrase;
  };
  const Case cases[] = {
      {outcome(Verdict::genuine), {"all of it", Tone::good}},
      {wholeCard, {"all of it", Tone::good}},
      {underHalfFree, {"20\u00A0GB of 64\u00A0GB checked", Tone::neutral}},
      {outcome(Verdict::likelyGenuine), {"no sign of less", Tone::good}},
      {fakeWithSize, {"a 32\u00A0GB card, about 31\u00A0GB usable", Tone::bad}},
      {outcome(Verdict::fake), {"less than claimed", Tone::bad}},
      {outcome(Verdict::damaged), {"not settled", Tone::neutral}},
      {outcome(Verdict::inconclusive), {"not settled", Tone::neutral}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReportCardPhrases::capacityVerdict(c.outcome), c.phrase) << c.phrase.text.toStdString();
}

TEST(ReportCardPhrases, MeasuredCapacityAsRangeSizeClassOrUsableSize) {
  struct Case {
    std::uint64_t lower, upper, advertised;
    bool fromQuick;
    const char* text;
  };
  const Case cases[] = {
      {7'500'000'000, 8'200'000'000, 64'000'000'000, true, "between 7\u00A0GB and 8\u00A0GB"},
      // Exactly a twentieth wide: one figure, and 10 GB reaches no tier.
      {10'000'000'000, 10'500'000'000, 64'000'000'000, true, "about 10\u00A0GB usable"},
      {7'800'000'000, 7'800'000'000, 64'000'000'000, false, "an 8\u00A0GB card, about 7\u00A0GB usable"},
      {999'999'999, 999'999'999, 64'000'000'000, false, "a 1\u00A0GB card, about 999\u00A0MB usable"},
      {850'000'000, 850'000'000, 64'000'000'000, false, "about 850\u00A0MB usable"},
      {1'999'999'999, 1'999'999'999, 64'000'000'000, false, "a 2\u00A0GB card, about 1\u00A0GB usable"},
      // Short by little: the size class would repeat the claim.
      {58'000'000'000, 58'000'000'000, 64'000'000'000, false, "about 58\u00A0GB usable"},
      {62'000'000'000, 62'000'000'000, 128'000'000'000, false, "a 64\u00A0GB card, about 62\u00A0GB usable"},
  };
  for (const Case& c : cases) {
    CheckOutcome fake = outcome(Verdict::fake, c.advertised);
    if (c.fromQuick) fake.quick = fakeQuickResult(c.lower, c.upper);
    EXPECT_EQ(ReportCardPhrases::measuredCapacity(c.lower, fake), c.text);
  }
}

TEST(ReportCardPhrases, DataPhraseFromTheAdvancedTestTheProbesOrTheZone) {
  CheckOutcome clean = outcome(Verdict::genuine);
  clean.full = fullResult(64'000'000'000, Sectors{.ok = 1000});
  CheckOutcome pastEnd = outcome(Verdict::fake);
  pastEnd.full = fullResult(64'000'000'000, Sectors{.ok = 1000, .blank = 100, .stale = 5, .misplaced = 2});
  CheckOutcome corrupt = outcome(Verdict::fake);
  corrupt.full = fullResult(64'000'000'000, Sectors{.ok = 1000, .blank = 3, .corrupted = 1});
  CheckOutcome overflowing = outcome(Verdict::damaged);
  overflowing.full = fullResult(64'000'000'000, Sectors{.blank = largestCount, .unreadable = largestCount});
  CheckOutcome probesFailBelow = outcome(Verdict::fake);
  probesFailBelow.quick = fakeQuickResult(8'000'000'000, 16'000'000'000);
  // Lost from the sixth probe on, and the third one corrupted inside the real capacity.
  probesFailBelow.quick->outcomes = {ProbeOutcome::ok,    ProbeOutcome::ok,    ProbeOutcome::corrupted,
                                     ProbeOutcome::ok,    ProbeOutcome::ok,    ProbeOutcome::blank,
                                     ProbeOutcome::blank, ProbeOutcome::blank, ProbeOutcome::blank};
  probesFailBelow.quick->layout.slotCount = 9;
  CheckOutcome noZone = outcome(Verdict::inconclusive);
  CheckOutcome zoneLoses = outcome(Verdict::damaged);
  zoneLoses.zone = cleanZone();
  zoneLoses.zone->tally.stale = 1;
  CheckOutcome zoneWriteFailed = outcome(Verdict::damaged);
  zoneWriteFailed.zone = cleanZone();
  zoneWriteFailed.zone->writeFailed = true;
  CheckOutcome fakeCleanZone = outcome(Verdict::fake);
  fakeCleanZone.quick = fakeQuickResult(8'000'000'000, 16'000'000'000);
  fakeCleanZone.zone = cleanZone();

  CheckOutcome fromMemory = clean;
  fromMemory.verdict = Verdict::inconclusive;
  fromMemory.full->readBackReachedCard = false;
  // The zone read back through the same copy of the card as the probes.
  CheckOutcome probesFromMemory = outcome(Verdict::inconclusive);
  probesFromMemory.quick = passedQuickResult(64'000'000'000);
  probesFromMemory.quick->readBackReachedCard = false;
  probesFromMemory.zone = cleanZone();
  // A check stopped after its speed was measured has only the zone, read back through
  // this computer's copy; a card that stopped answering read nothing back at all.
  CheckOutcome zoneFromMemory = outcome(Verdict::inconclusive);
  zoneFromMemory.zone = cleanZone();
  zoneFromMemory.zone->readBackReachedCard = false;
  CheckOutcome zoneUnanswered = zoneFromMemory;
  zoneUnanswered.verdict = Verdict::damaged;
  zoneUnanswered.zone->cardStoppedAnswering = true;
  zoneUnanswered.zone->tally.unreadable = 8;

  ASSERT_GT(probesFailBelow.quick->failedProbeCount(), 0);
  struct Case {
    const CheckOutcome& outcome;
    Phrase phrase;
  };
  const Case cases[] = {
      {clean, {"every byte came back", Tone::good}},
      {fromMemory, {"every byte came back, perhaps from this computer’s copy", Tone::neutral}},
      {pastEnd, {"lost past the real capacity", Tone::bad}},
      {corrupt, {"2\u00A0kB lost or corrupted", Tone::bad}},
      {overflowing, {DisplayFormat::byteCountText(largestCount) + " lost or corrupted", Tone::bad}},
      {probesFailBelow, {"corrupts data even inside its real capacity", Tone::bad}},
      {noZone, {"—", Tone::neutral}},
      {zoneLoses, {"the start of the card loses data", Tone::bad}},
      {zoneWriteFailed, {"the start of the card loses data", Tone::bad}},
      {fakeCleanZone, {"the start of the card keeps every byte", Tone::good}},
      {probesFromMemory, {"every byte came back, perhaps from this computer’s copy", Tone::neutral}},
      {zoneFromMemory, {"every byte came back, perhaps from this computer’s copy", Tone::neutral}},
      {zoneUnanswered, {"the start of the card loses data", Tone::bad}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReportCardPhrases::dataPhrase(c.outcome), c.phrase) << c.phrase.text.toStdString();
}

TEST(ReportCardPhrases, HealthPhraseCountsStallsOfProbesAndZone) {
  CheckOutcome damaged = outcome(Verdict::damaged);
  damaged.zone = cleanZone();
  CheckOutcome nothingMeasured = outcome(Verdict::inconclusive);
  CheckOutcome smooth = outcome(Verdict::genuine);
  smooth.zone = cleanZone();
  CheckOutcome probeStalls = outcome(Verdict::likelyGenuine);
  probeStalls.quick = passedQuickResult(64'000'000'000);
  probeStalls.quick->writeSeconds = {0.5, 0.5, 0.5, 12};
  probeStalls.zone = ZoneResult::make(64'000'000, 1, {100, 100, 100, 10}, 1, {}, {}, false);
  CheckOutcome zoneStalls = outcome(Verdict::genuine);
  zoneStalls.zone = ZoneResult::make(64'000'000, 1, {100, 100, 100, 10, 10}, 1, {}, {}, false);
  CheckOutcome damagedWithStalls = zoneStalls;
  damagedWithStalls.verdict = Verdict::damaged;
  CheckOutcome endlessProbe = outcome(Verdict::likelyGenuine);
  endlessProbe.quick = passedQuickResult(64'000'000'000);
  endlessProbe.quick->writeSeconds = {0.5, 0.5, 0.5, infinity};

  struct Case {
    const CheckOutcome& outcome;
    Phrase phrase;
  };
  const Case cases[] = {
      {damaged, {"doesn’t keep what it’s given", Tone::bad}},
      {nothingMeasured, {"—", Tone::neutral}},
      {smooth, {"no stalls", Tone::good}},
      {probeStalls, {"Stalled writes: 2, up to " + DisplayFormat::durationText(12), Tone::bad}},
      {zoneStalls, {"Stalled writes: 2", Tone::bad}},
      {damagedWithStalls, {"Stalled writes: 2", Tone::bad}},
      {endlessProbe, {"Stalled writes: 1", Tone::bad}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReportCardPhrases::healthPhrase(c.outcome), c.phrase) << c.phrase.text.toStdString();
}

TEST(ReportCardPhrases, ReadSpeedByBusAndKindOfDevice) {
  struct Case {
    BusMode bus;
    bool usbDrive;
    std::optional<double> read;
    Phrase phrase;
  };
  const Case cases[] = {
      {BusMode::uhs, false, 90e6, {"90\u00A0MB/s", Tone::good}},
      {BusMode::legacy, false, 22e6, {"22\u00A0MB/s · no UHS", Tone::bad}},
      {BusMode::legacy, true, 22e6, {"22\u00A0MB/s", Tone::neutral}},
      {BusMode::unknown, false, 22e6, {"22\u00A0MB/s", Tone::neutral}},
      {BusMode::uhs, false, nan, {"—", Tone::good}},
      // A read that may have come from memory is no figure, good or bad.
      {BusMode::legacy, false, std::nullopt, {"—", Tone::neutral}},
  };
  for (const Case& c : cases) {
    SpeedRating speed = rating(c.bus, {});
    speed.read = c.read;
    EXPECT_EQ(ReportCardPhrases::readSpeedPhrase(speed, c.usbDrive), c.phrase) << c.phrase.text.toStdString();
  }
}

TEST(ReportCardPhrases, RegisterSpeedClassOnlyFromAKnownCode) {
  CardDevice device;
  EXPECT_EQ(ReportCardPhrases::registerSpeedClass(device), std::nullopt);
  device.registers = CardRegisters{};
  EXPECT_EQ(ReportCardPhrases::registerSpeedClass(device), std::nullopt);
  const std::pair<std::uint8_t, std::optional<QString>> codes[] = {
      {0, "Class 0"}, {1, "Class 2"}, {4, "Class 10"}, {5, std::nullopt}};
  for (const auto& [code, text] : codes) {
    device.registers->speedClassCode = code;
    EXPECT_EQ(ReportCardPhrases::registerSpeedClass(device), text) << int(code);
  }
}

TEST(ReportCardPhrases, BrandToneByXRayVerdict) {
  EXPECT_EQ(ReportCardPhrases::brandTone(XRayReport::Verdict::noRedFlags), Tone::good);
  EXPECT_EQ(ReportCardPhrases::brandTone(XRayReport::Verdict::suspicious), Tone::bad);
  EXPECT_EQ(ReportCardPhrases::brandTone(XRayReport::Verdict::likelyFake), Tone::bad);
  EXPECT_EQ(ReportCardPhrases::brandTone(XRayReport::Verdict::notAnalyzed), Tone::neutral);
}

}  // namespace
}  // namespace tessorin
