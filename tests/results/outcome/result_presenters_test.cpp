// What the verdict headline, the capacity bars, the advanced-test details and the notes
// show for a finished check.

#include <gtest/gtest.h>

#include "ResultValues.hpp"
#include "theme/text/DisplayFormat.hpp"
#include "theme/Palette.hpp"
#include "results/outcome/CapacityComparisonModel.hpp"
#include "results/outcome/FullDetailsModel.hpp"
#include "results/outcome/OutcomeNotes.hpp"
#include "results/outcome/VerdictHeadlineModel.hpp"

namespace tessorin {
namespace {

using namespace testing;
using Verdict = CheckOutcome::Verdict;
using Method = CheckOutcome::Method;

TEST(VerdictHeadline, ExplanationByVerdictWithRealSizesRoundedDown) {
  using Input = VerdictHeadlineInput;
  const std::optional<std::uint64_t> none;
  struct Case {
    Input input;
    const char* text;
  };
  const Case cases[] = {
      {{Verdict::genuine, none, none, 64'000'000'000, Method::full, 31'912'345'678},
       "31.9\u00A0GB written and read back without a single error. It holds what it claims."},
      {{Verdict::genuine, none, none, 64'000'000'000, Method::quick, none}, "It holds what it claims."},
      // Under half of it was free: the test vouches for what it wrote, not for the card.
      {{Verdict::genuine, none, none, 64'000'000'000, Method::full, 20'000'000'000, WriteRefusal::none, true},
       "20\u00A0GB of 64\u00A0GB written and read back without a single error. The rest could not be tested."},
      {{Verdict::likelyGenuine, 5, 9, 64'000'000'000, Method::quick, 7},
       "The quick check found no sign of fakery. For certainty, let the advanced test run to the end."},
      {{Verdict::fake, none, 15'987'654'321, 64'000'000'000, Method::quick, none}, "It does not hold what it claims."},
      {{Verdict::fake, 7'812'345'678, 15'987'654'321, 64'000'000'000, Method::quick, none},
       "It keeps at least 7\u00A0GB of the 64\u00A0GB it claims, and loses what is saved past 15\u00A0GB. A check that runs to the end "
       "pins it down."},
      {{Verdict::fake, 7'812'345'678, none, 64'000'000'000, Method::full, none},
       "It’s an 8\u00A0GB card sold as 64\u00A0GB. It can take about 7\u00A0GB; anything saved past that is lost."},
      {{Verdict::fake, 1'999'999'999, none, 64'000'000'000, Method::full, none},
       "It’s a 2\u00A0GB card sold as 64\u00A0GB. It can take about 1\u00A0GB; anything saved past that is lost."},
      {{Verdict::fake, 999'999'999, none, 64'000'000'000, Method::full, none},
       "It’s a 1\u00A0GB card sold as 64\u00A0GB. It can take about 999\u00A0MB; anything saved past that is lost."},
      {{Verdict::fake, 850'000'000, none, 64'000'000'000, Method::full, none},
       "It holds only about 850\u00A0MB of the 64\u00A0GB it claims; anything saved past that is lost."},
      // Short by little: not "a 64 GB card sold as 64 GB".
      {{Verdict::fake, 58'000'000'000, none, 64'000'000'000, Method::full, none},
       "It holds only about 58\u00A0GB of the 64\u00A0GB it claims; anything saved past that is lost."},
      {{Verdict::fake, 0, none, 64'000'000'000, Method::full, none},
       "It holds only about 0\u00A0bytes of the 64\u00A0GB it claims; anything saved past that is lost."},
      {{Verdict::damaged, 5, none, 64'000'000'000, Method::full, 9},
       "Some data came back corrupted. Don’t trust this card with photos or videos."},
      {{Verdict::damaged, 5, none, 64'000'000'000, Method::full, 9, WriteRefusal::losesData},
       "Some data came back corrupted. Don’t trust this card with photos or videos."},
      // Nothing came back from a card that stopped answering, corrupted or not.
      {{Verdict::damaged, none, none, 64'000'000'000, Method::quick, none, WriteRefusal::none, false, true},
       "It stopped answering while its speed was measured, so what was written to it could not be read back. Don’t "
       "trust this card with photos or videos."},
      {{Verdict::damaged, none, none, 64'000'000'000, Method::quick, none, WriteRefusal::none, false, true, 0, true},
       "It stopped answering while its speed was measured, so what was written to it could not be read back. Don’t "
       "trust this drive with photos or videos."},
      {{Verdict::damaged, none, none, 64'000'000'000, Method::quick, none, WriteRefusal::readOnly},
       "It stopped accepting data and has turned read-only. Copy your files off it while it still reads them."},
      {{Verdict::inconclusive, none, none, 64'000'000'000, Method::quick, none},
       "There isn’t a clear answer yet. Run the advanced test to the end."},
      // The advanced test ran to the end, from a read-back that may have been memory.
      {{Verdict::inconclusive, none, none, 64'000'000'000, Method::full, 31'912'345'678},
       "There isn’t a clear answer: what was read back may not have come from the card."},
      // Memory may have served what read back intact, never what came back empty.
      {{Verdict::inconclusive, none, none, 64'000'000'000, Method::full, 63'000'000'000, WriteRefusal::none, false,
        false, 3'200'000'000},
       "3.2\u00A0GB came back empty: don’t trust this card. What read back intact may have come from this computer’s "
       "copy instead of the card, so the rest isn’t confirmed."},
      {{Verdict::inconclusive, none, none, 64'000'000'000, Method::full, 63'000'000'000, WriteRefusal::none, false,
        false, 3'200'000'000, true},
       "3.2\u00A0GB came back empty: don’t trust this drive. What read back intact may have come from this computer’s "
       "copy instead of the drive, so the rest isn’t confirmed."},
      // Nor what came back other than written.
      {{Verdict::inconclusive, none, none, 64'000'000'000, Method::full, 63'000'000'000, WriteRefusal::none, false,
        false, 0, true, 246'200'320},
       "246.2\u00A0MB didn’t come back as written: don’t trust this drive. What read back intact may have come from "
       "this computer’s copy instead of the drive, so the rest isn’t confirmed."},
      // A quick check's read-back decides nothing here: the advanced test has not spoken.
      {{Verdict::inconclusive, none, none, 64'000'000'000, Method::quick, none, WriteRefusal::none, false, false,
        3'200'000'000, false, 1'000'000},
       "There isn’t a clear answer yet. Run the advanced test to the end."},
  };
  for (const Case& c : cases) EXPECT_EQ(VerdictHeadlineModel::explanationOf(c.input), c.text);

  // Two counts each at the top of their range add up to the largest figure, not to a wrapped one.
  const auto largest = static_cast<std::uint64_t>(largestCount);
  const Input saturated{Verdict::inconclusive, none, none, 64'000'000'000, Method::full, 63'000'000'000,
                        WriteRefusal::none, false, false, largest, false, largest};
  EXPECT_TRUE(VerdictHeadlineModel::explanationOf(saturated)
                  .startsWith(DisplayFormat::byteCountText(largest) + " didn’t come back as written:"))
      << VerdictHeadlineModel::explanationOf(saturated).toStdString();
}

TEST(VerdictHeadline, ChipFollowsTheMethodAndColourTheVerdict) {
  VerdictHeadlineModel model;
  int changes = 0;
  QObject::connect(&model, &VerdictHeadlineModel::inputChanged, [&] { ++changes; });
  model.setInput({Verdict::fake, std::nullopt, std::nullopt, 1, Method::full, std::nullopt});
  model.setInput({Verdict::fake, std::nullopt, std::nullopt, 1, Method::full, std::nullopt});
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(model.chipText(), "Confirmed by the advanced test");
  EXPECT_EQ(model.chipSymbol(), "checkmark.seal");
  EXPECT_EQ(model.color(), Palette::red());
  EXPECT_EQ(model.sealSymbol(), "xmark.seal.fill");
  EXPECT_EQ(model.title(), "Fake card");
  model.setInput({Verdict::inconclusive, std::nullopt, std::nullopt, 1, Method::full, std::nullopt});
  EXPECT_EQ(model.chipText(), "Advanced test") << "an advanced test with no answer confirms nothing";
  EXPECT_EQ(model.chipSymbol(), "internaldrive");
  model.setInput({Verdict::inconclusive, std::nullopt, std::nullopt, 1, Method::quick, std::nullopt});
  EXPECT_EQ(model.chipText(), "Quick check");
  EXPECT_EQ(model.sealSymbol(), "questionmark.diamond.fill");
  EXPECT_EQ(model.color(), Palette::amber());
}

TEST(CapacityComparison, RealTextAndShareOfTheSecondBar) {
  using Input = CapacityComparisonInput;
  struct Case {
    Input input;
    const char* text;
    double share;
  };
  const Case cases[] = {
      {{64'000'000'000, std::nullopt, std::nullopt}, "?", 0},
      {{64'000'000'000, 7'812'345'678, std::nullopt}, "≈ 7\u00A0GB", 7'812'345'678 / 64e9},
      {{64'000'000'000, 7'812'345'678, 15'987'654'321}, "7\u00A0GB – 15\u00A0GB", 7'812'345'678 / 64e9},
      {{8'000'000'000, 9'000'000'000, std::nullopt}, "≈ 9\u00A0GB", 1},
      // Rounded down to whole megabytes, one byte reads as none, yet fills the bar.
      {{0, 1, std::nullopt}, "≈ 0\u00A0bytes", 1},
      {{0, 0, std::nullopt}, "≈ 0\u00A0bytes", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CapacityComparisonModel::realTextOf(c.input), c.text);
    EXPECT_DOUBLE_EQ(CapacityComparisonModel::realShareOf(c.input), c.share) << c.text;
  }
}

TEST(FullDetails, ProblemRowsCountSectorsAsUnroundedBytes) {
  using Rows = std::vector<FigureRow>;
  EXPECT_EQ(FullDetailsModel::problems(Sectors{.ok = 5000}), Rows{});
  EXPECT_EQ(FullDetailsModel::problems(Sectors{.blank = 3, .stale = 1}),
            (Rows{{{}, "Never stored (came back empty)", "2\u00A0kB"}}));
  EXPECT_EQ(FullDetailsModel::problems(Sectors{.misplaced = 1, .unreadable = 2}),
            (Rows{{{}, "Overwritten by data meant for elsewhere", "512\u00A0bytes"}, {{}, "Unreadable", "1\u00A0kB"}}));
  const QString largest = DisplayFormat::byteCountText(static_cast<std::uint64_t>(largestCount));
  EXPECT_EQ(FullDetailsModel::problems(Sectors{.blank = largestCount, .stale = largestCount, .corrupted = largestCount}),
            (Rows{{{}, "Never stored (came back empty)", largest}, {{}, "Corrupted", largest}}));
}

TEST(FullDetails, SpeedSectionNeedsTwoWriteSamplesAndUsesMinMaxOfWritesAverageOfReads) {
  FullTestResult full = fullResult(8'000'000'000, Sectors{.ok = 10});
  full.readSamples = {{0, 1}, {1, 2}, {2, 3}};
  full.manifest.writeSamples = {{0, 20e6}};
  FullDetailsModel model;
  model.setInput({std::make_shared<const FullTestResult>(full)});
  EXPECT_FALSE(model.showsSpeed());
  EXPECT_FALSE(model.showsProblems());
  full.manifest.writeSamples.push_back({1, 20e6});
  model.setInput({std::make_shared<const FullTestResult>(full)});
  EXPECT_TRUE(model.showsSpeed());
  const auto figures = FullDetailsModel::speedFigures(full);
  ASSERT_EQ(figures.size(), 3u);
  EXPECT_EQ(figures[0].value, "15\u00A0MB/s");
  EXPECT_EQ(figures[1].value, "25\u00A0MB/s");
  EXPECT_EQ(figures[2].value, "60\u00A0MB/s");
  EXPECT_EQ(model.chart().read, full.readSamples);

  // A read-back that may have come from this computer's copy timed memory: no read figure,
  // no read line, while the writes, which reached the card, still show.
  full.readBackReachedCard = false;
  model.setInput({std::make_shared<const FullTestResult>(full)});
  EXPECT_EQ(FullDetailsModel::speedFigures(full)[2].value, "—");
  EXPECT_EQ(FullDetailsModel::speedFigures(full)[0].value, "15\u00A0MB/s");
  EXPECT_TRUE(model.chart().read.empty());
  EXPECT_EQ(model.chart().write, full.manifest.writeSamples);
}

std::vector<QString> noteTexts(const CheckOutcome& checked, const std::optional<QuickProbeUnsupported>& skipped,
                               const XRayReport& xray = {}) {
  std::vector<QString> texts;
  for (const OutcomeNote& note : OutcomeNotes::make(checked, skipped, xray)) texts.push_back(note.text);
  return texts;
}

XRayReport critical(XRaySignal::Kind kind) { return {{{XRaySignal::Severity::critical, std::move(kind)}}}; }

// A test that covered a third of the card draws that third where it lies, and the rest of
// the card as never tested.
TEST(FullDetails, MapOfAPartlyTestedCardShowsTheRestAsUntested) {
  using Cell = CapacityMap::Cell;
  CapacityMap tested(20'000'000'000);
  tested.markWritten(0, 20'000'000'000);
  tested.recordChecked(0, 15'000'000'000, 15'000'000'000 / 512, 0);
  tested.recordChecked(15'000'000'000, 5'000'000'000, 0, 5'000'000'000 / 512);
  const CapacityMap whole = FullDetailsModel::wholeCardMap(tested, 60'000'000'000);
  EXPECT_EQ(whole.totalBytes, 60'000'000'000u);
  const struct {
    std::uint64_t position;
    Cell cell;
  } cases[] = {
      {0, Cell::good},
      {14'000'000'000, Cell::good},
      {16'000'000'000, Cell::bad},
      {19'500'000'000, Cell::bad},
      {21'000'000'000, Cell::untested},
      {59'999'999'999, Cell::untested},
  };
  for (const auto& c : cases) EXPECT_EQ(whole.cell(whole.cellIndex(c.position)), c.cell) << c.position;
  EXPECT_EQ(FullDetailsModel::wholeCardMap(tested, 0), tested) << "a card tested whole keeps its map";
  EXPECT_EQ(FullDetailsModel::wholeCardMap(tested, 20'000'000'000), tested);

  auto result = std::make_shared<FullTestResult>(fullResult(20'000'000'000, Sectors{.ok = 10}));
  FullDetailsModel details;
  details.setInput({result, 60'000'000'000});
  EXPECT_EQ(details.chart().extent, 60'000'000'000u) << "the chart spans the card as the map does";
  details.setInput({result, 0});
  EXPECT_EQ(details.chart().extent, 20'000'000'000u);
}

TEST(OutcomeNotes, IdentityDoubtWordedByVerdictAndFinding) {
  const XRayReport otherMaker = critical(XRaySignal::BrandMismatch{Brand::sandisk, 0x1B, "Samsung"});
  const XRayReport impossibleSize = critical(XRaySignal::CapacityBeyondAnyCard{256'000'000'000'000});
  struct Case {
    Verdict verdict;
    const XRayReport& xray;
    const char* text;
  };
  const Case cases[] = {
      {Verdict::genuine, otherMaker,
       "The capacity is real, but the X-ray below says the card may not be the brand on its label."},
      {Verdict::likelyGenuine, impossibleSize,
       "The capacity is real, but the X-ray below says the card may not be what its label says."},
      {Verdict::damaged, otherMaker, "The X-ray below says the card may not be the brand on its label."},
      {Verdict::inconclusive, impossibleSize, "The X-ray below says the card may not be what its label says."},
  };
  for (const Case& c : cases) {
    CheckOutcome checked = outcome(c.verdict);
    checked.brandLooksFake = true;
    EXPECT_EQ(OutcomeNotes::identityDoubt(checked, c.xray), QString(c.text));
  }
  // A brand changed since the check that the X-ray no longer doubts.
  CheckOutcome cleared = outcome(Verdict::genuine);
  cleared.brandLooksFake = true;
  EXPECT_EQ(OutcomeNotes::identityDoubt(cleared, XRayReport{}), std::nullopt);
  EXPECT_EQ(OutcomeNotes::identityDoubt(outcome(Verdict::genuine), otherMaker), std::nullopt);
}

TEST(OutcomeNotes, WhichNotesShowAndInWhatOrder) {
  const auto exfat = std::optional(QuickProbeUnsupported::fileSystem("ext4"));
  const QString stoppedQuick = "The advanced test was stopped, so this answer comes from the quick check.";
  const QString stoppedEarly = "The advanced test was stopped before it could give an answer.";
  const QString needsExFAT = "The quick check needs exFAT. Run the advanced test to the end for an answer.";
  const QString vanished =
      "Probes that had read back fine were gone minutes later: the card only pretended to keep them.";

  CheckOutcome zoneOnlyStopped = outcome(Verdict::inconclusive);
  zoneOnlyStopped.zone = cleanZone(256'000'000);
  zoneOnlyStopped.fullStopped = true;
  EXPECT_EQ(noteTexts(zoneOnlyStopped, exfat), (std::vector<QString>{stoppedEarly, needsExFAT}));
  EXPECT_TRUE(noteTexts(zoneOnlyStopped, QuickProbeUnsupported::slowAllocation()) ==
              std::vector<QString>{stoppedEarly});

  CheckOutcome quickStopped = outcome(Verdict::likelyGenuine);
  quickStopped.quick = passedQuickResult(60'000'000'000);
  quickStopped.quick->lostAfterVerifying = 2;
  quickStopped.fullStopped = true;
  EXPECT_EQ(noteTexts(quickStopped, std::nullopt), (std::vector<QString>{vanished, stoppedQuick}));

  CheckOutcome fullStoppedAnyway = outcome(Verdict::genuine);
  fullStoppedAnyway.full = fullResult(60'000'000'000, Sectors{.ok = 10});
  fullStoppedAnyway.fullStopped = true;
  EXPECT_EQ(noteTexts(fullStoppedAnyway, exfat), std::vector<QString>{});

  const QString readOnly = "It has turned read-only: it keeps what it holds but takes nothing more. Copy your files "
                           "off it first, while it still reads them.";
  const QString losesData =
      "Some of what it took does not read back: it loses data. Copy your files off it first, then check that they open.";
  CheckOutcome ioError = outcome(Verdict::damaged);
  ioError.full = fullResult(60'000'000'000, Sectors{.ok = 10}, FullTestWriteStop::ioError(5, 1'610'612'736));
  EXPECT_EQ(noteTexts(ioError, std::nullopt),
            (std::vector<QString>{"The card stopped accepting data after 1.6\u00A0GB.", readOnly}));
  ioError.full->pastStop.unreadable = 16;
  EXPECT_EQ(noteTexts(ioError, std::nullopt),
            (std::vector<QString>{"The card stopped accepting data after 1.6\u00A0GB.", losesData}));
  ioError.full->manifest.writeStop = FullTestWriteStop::diskFull();
  EXPECT_EQ(noteTexts(ioError, std::nullopt), std::vector<QString>{});

  // A quick check on a card that took nothing, and one that the advanced test then judged.
  CheckOutcome refusedQuick = outcome(Verdict::damaged);
  refusedQuick.quick = passedQuickResult(60'000'000'000);
  refusedQuick.quick->writesRefusedAfter = 0;
  EXPECT_EQ(noteTexts(refusedQuick, std::nullopt),
            (std::vector<QString>{"The card stopped accepting data after 0\u00A0bytes.", readOnly}));
  refusedQuick.full = fullResult(60'000'000'000, Sectors{.ok = 10});
  EXPECT_EQ(noteTexts(refusedQuick, std::nullopt), std::vector<QString>{});
  refusedQuick.testFolderLeft = true;
  EXPECT_EQ(noteTexts(refusedQuick, std::nullopt),
            std::vector<QString>{"The card would not let the test folder “Tessorin Test” be deleted. It holds only "
                                 "test data, and the next check clears it away once the card allows."});
}

// A wrap fake writes over its own file system past its real size: what stops writing and
// keeps the test folder is that broken file system, and erasing the card mends it.
TEST(OutcomeNotes, AWrapFakesBrokenFileSystemIsNamedNotARefusal) {
  const QString brokeIt = "Writing stopped after 1.1\u00A0GB: past its real size the card wrote over its own file "
                          "system and broke it.";
  const QString folderStays = "Writing past its real size broke the card’s file system, so the test folder "
                              "“Tessorin Test” could not be deleted. Erasing the card is what repairs it.";
  const QString refused = "The card would not let the test folder “Tessorin Test” be deleted. It holds only test "
                          "data, and the next check clears it away once the card allows.";
  CheckOutcome wrapped = outcome(Verdict::fake);
  SectorTally wrappedTally = Sectors{.ok = 10, .misplaced = 4};
  wrappedTally.smallestWrapRunDistance = 1'000'000'000;
  wrapped.full = fullResult(1'100'000'000, wrappedTally, FullTestWriteStop::ioError(5, 1'100'000'000));
  wrapped.full->manifest.plannedBytes = 63'000'000'000;  // the whole card was free
  wrapped.testFolderLeft = true;
  EXPECT_EQ(noteTexts(wrapped, std::nullopt), (std::vector<QString>{brokeIt, folderStays}));

  // The quick check saw the wrap; the advanced test did not run.
  CheckOutcome quickWrap = outcome(Verdict::fake);
  quickWrap.quick = passedQuickResult(64'000'000'000);
  quickWrap.quick->wrapDistance = 8'589'934'592;
  quickWrap.testFolderLeft = true;
  EXPECT_EQ(noteTexts(quickWrap, std::nullopt), std::vector<QString>{folderStays});

  // Stopped after its speed was measured: the zone saw the wrap.
  CheckOutcome zoneWrap = outcome(Verdict::fake);
  zoneWrap.zone = cleanZone();
  zoneWrap.zone->tally.misplaced = 64;
  zoneWrap.testFolderLeft = true;
  EXPECT_EQ(noteTexts(zoneWrap, std::nullopt), std::vector<QString>{folderStays});

  // A card that is not a wrap fake keeps the plain wording.
  CheckOutcome damaged = outcome(Verdict::damaged);
  damaged.quick = passedQuickResult(64'000'000'000);
  damaged.testFolderLeft = true;
  EXPECT_EQ(noteTexts(damaged, std::nullopt), std::vector<QString>{refused});
}

TEST(OutcomeNotes, ReadBackThatMayHaveComeFromMemorySaysWhyAndWhatToDo) {
  const QString memory = "This computer kept its own copy of what was written, and Tessorin wasn’t allowed to clear "
                         "it, so what was read back may have come from that copy instead of the card. Check the card "
                         "again and take it out and put it back when asked.";
  CheckOutcome full = outcome(Verdict::inconclusive);
  full.full = fullResult(60'000'000'000, Sectors{.ok = 10});
  EXPECT_EQ(noteTexts(full, std::nullopt), std::vector<QString>{});
  full.full->readBackReachedCard = false;
  EXPECT_EQ(noteTexts(full, std::nullopt), std::vector<QString>{memory});

  // The quick check's probes speak only when no advanced test read back after them.
  CheckOutcome quick = outcome(Verdict::inconclusive);
  quick.quick = passedQuickResult(60'000'000'000);
  quick.quick->readBackReachedCard = false;
  EXPECT_EQ(noteTexts(quick, std::nullopt), std::vector<QString>{memory});
  quick.full = fullResult(60'000'000'000, Sectors{.ok = 10});
  EXPECT_EQ(noteTexts(quick, std::nullopt), std::vector<QString>{});

  // Nor does the speed zone of a check stopped before any other answer; a card that
  // stopped answering read nothing back, from that copy or the card.
  CheckOutcome zone = outcome(Verdict::inconclusive);
  zone.zone = cleanZone();
  zone.zone->readBackReachedCard = false;
  EXPECT_EQ(noteTexts(zone, std::nullopt), std::vector<QString>{memory});
  zone.zone->cardStoppedAnswering = true;
  EXPECT_EQ(noteTexts(zone, std::nullopt), std::vector<QString>{});

  // Data that came back written for another place came from the card: a fake read back
  // so is one, and the note tells only what was left unmeasured.
  CheckOutcome fake = outcome(Verdict::fake);
  fake.full = fullResult(60'000'000'000, Sectors{.ok = 10, .misplaced = 10});
  fake.full->readBackReachedCard = false;
  const QString kept = "This computer kept its own copy of what was written, and Tessorin wasn’t allowed to clear it, "
                       "so the card’s ";
  EXPECT_EQ(noteTexts(fake, std::nullopt),
            std::vector<QString>{kept + "real size and read speed weren’t measured. To learn them, check the card "
                                        "again and take it out and put it back when asked."});
  fake.realBytes = 536'870'912;
  EXPECT_EQ(noteTexts(fake, std::nullopt), std::vector<QString>{kept + "read speed wasn’t measured."});
  CheckOutcome zoneFake = outcome(Verdict::fake);
  zoneFake.zone = cleanZone();
  zoneFake.zone->tally.misplaced = 64;
  zoneFake.zone->readBackReachedCard = false;
  EXPECT_EQ(noteTexts(zoneFake, std::nullopt),
            std::vector<QString>{kept + "real size and read speed weren’t measured. To learn them, check the card "
                                        "again and take it out and put it back when asked."});
}

TEST(OutcomeNotes, UnderHalfNoteOnlyForTheCoveredPartOfAPlanOrLayout) {
  const QString underHalf = "Only 20\u00A0GB of the card was free, so only that part could be tested. To test the whole "
                            "card, copy its files somewhere else and erase it.";
  CheckOutcome planned = outcome(Verdict::genuine);
  planned.full = fullResult(20'000'000'000, Sectors{.ok = 10});
  EXPECT_EQ(noteTexts(planned, std::nullopt), std::vector<QString>{underHalf});
  CheckOutcome laidOut = outcome(Verdict::likelyGenuine);
  laidOut.quick = passedQuickResult(20'000'000'000);
  EXPECT_EQ(noteTexts(laidOut, std::nullopt), std::vector<QString>{underHalf});
  laidOut.quick = passedQuickResult(32'000'000'000);
  EXPECT_EQ(noteTexts(laidOut, std::nullopt), std::vector<QString>{});
  // The speed zone is a sample of fixed size, not the free part of the card.
  CheckOutcome zoneOnly = outcome(Verdict::inconclusive);
  zoneOnly.zone = cleanZone(256'000'000);
  ASSERT_TRUE(zoneOnly.testedUnderHalf());
  EXPECT_EQ(noteTexts(zoneOnly, std::nullopt), std::vector<QString>{});
}

}  // namespace
}  // namespace tessorin
