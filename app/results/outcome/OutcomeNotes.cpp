#include "results/outcome/OutcomeNotes.hpp"

#include <algorithm>
#include <variant>

#include "theme/text/DisplayFormat.hpp"
#include "theme/Palette.hpp"
#include "results/outcome/ResultFigures.hpp"

namespace tessorin {

namespace {

using Verdict = CheckOutcome::Verdict;

const QString warningSymbol = QStringLiteral("exclamationmark.triangle.fill");
const QString infoSymbol = QStringLiteral("info.circle.fill");

OutcomeNote note(QString text, const QString& symbol, const QColor& color) {
  return {std::move(text), symbol, color, false};
}

OutcomeNote secondaryNote(QString text) { return {std::move(text), infoSymbol, QColor(), true}; }

// A fake that wraps writes what lies past its real size over its own start, where the
// file system keeps its tables: writing stops and the test folder stays because the file
// system broke, not because the card refused.
bool wroteOverItsFileSystem(const CheckOutcome& outcome) {
  if (outcome.verdict != Verdict::fake) return false;
  if (outcome.full) return outcome.full->wrapDistance().has_value();
  if (outcome.quick) return outcome.quick->wrapDistance.has_value();
  return outcome.zone && outcome.zone->tally.misplaced > 0;
}

bool namesAnotherMaker(const XRayReport& report) {
  return std::any_of(report.signals.begin(), report.signals.end(), [](const XRaySignal& signal) {
    return signal.severity == XRaySignal::Severity::critical &&
           std::holds_alternative<XRaySignal::BrandMismatch>(signal.kind);
  });
}

}  // namespace

std::optional<QString> OutcomeNotes::identityDoubt(const CheckOutcome& outcome, const XRayReport& liveXRay) {
  if (!outcome.brandLooksFake || liveXRay.verdict() != XRayReport::Verdict::likelyFake) return std::nullopt;
  // Only a genuine capacity can be called real, and only a maker in the registers that
  // contradicts the chosen brand speaks of the brand; other critical findings (a size no
  // card of its type holds) doubt the label as a whole.
  const bool capacityIsReal = outcome.verdict == Verdict::genuine || outcome.verdict == Verdict::likelyGenuine;
  const bool brand = namesAnotherMaker(liveXRay);
  if (capacityIsReal) {
    return brand ? tr("The capacity is real, but the X-ray below says the card may not be the brand on its label.")
                 : tr("The capacity is real, but the X-ray below says the card may not be what its label says.");
  }
  return brand ? tr("The X-ray below says the card may not be the brand on its label.")
               : tr("The X-ray below says the card may not be what its label says.");
}

std::vector<OutcomeNote> OutcomeNotes::make(const CheckOutcome& outcome,
                                            const std::optional<QuickProbeUnsupported>& quickSkipped,
                                            const XRayReport& liveXRay) {
  std::vector<OutcomeNote> notes;
  if (const auto doubt = identityDoubt(outcome, liveXRay)) notes.push_back(note(*doubt, warningSymbol, Palette::amber()));

  const std::optional<std::uint64_t> covered = ResultFigures::coveredBytes(outcome);
  if (covered && outcome.testedUnderHalf()) {
    notes.push_back(note(tr("Only %1 of the card was free, so only that part could be tested. To test the whole "
                            "card, copy its files somewhere else and erase it.")
                             .arg(DisplayFormat::byteCountText(*covered)),
                         warningSymbol, Palette::amber()));
  }
  if (outcome.quick && outcome.quick->lostAfterVerifying > 0) {
    notes.push_back(note(tr("Probes that had read back fine were gone minutes later: the card only pretended to "
                            "keep them."),
                         QStringLiteral("eye.trianglebadge.exclamationmark"), Palette::red()));
  }
  if (outcome.readBackMayBeFromMemory()) notes.push_back(readBackFromMemory(outcome));
  if (outcome.fullStopped && !outcome.full) {
    notes.push_back(secondaryNote(outcome.quick
                                      ? tr("The advanced test was stopped, so this answer comes from the quick check.")
                                      : tr("The advanced test was stopped before it could give an answer.")));
  }
  if (quickSkipped && quickSkipped->kind() == QuickProbeUnsupported::Kind::fileSystem && !outcome.full) {
    notes.push_back(secondaryNote(tr("The quick check needs exFAT. Run the advanced test to the end for an answer.")));
  }
  const bool brokeItsFileSystem = wroteOverItsFileSystem(outcome);
  if (outcome.full && outcome.full->manifest.writeStop.isIOError() && brokeItsFileSystem) {
    notes.push_back(note(tr("Writing stopped after %1: past its real size the card wrote over its own file system "
                            "and broke it.")
                             .arg(DisplayFormat::byteCountText(outcome.full->manifest.writeStop.position)),
                         warningSymbol, Palette::red()));
  } else if (outcome.full && outcome.full->manifest.writeStop.isIOError()) {
    addStoppedAccepting(notes, outcome.full->manifest.writeStop.position, outcome.full->writeRefusal());
  } else if (!outcome.full && outcome.quick && outcome.quick->writesRefusedAfter) {
    addStoppedAccepting(notes, *outcome.quick->writesRefusedAfter, outcome.quick->writeRefusal());
  }
  if (outcome.testFolderLeft && brokeItsFileSystem) {
    notes.push_back(note(tr("Writing past its real size broke the card’s file system, so the test folder “Tessorin "
                            "Test” could not be deleted. Erasing the card is what repairs it."),
                         warningSymbol, Palette::amber()));
  } else if (outcome.testFolderLeft) {
    notes.push_back(note(tr("The card would not let the test folder “Tessorin Test” be deleted. It holds only test "
                            "data, and the next check clears it away once the card allows."),
                         warningSymbol, Palette::amber()));
  }
  return notes;
}

OutcomeNote OutcomeNotes::readBackFromMemory(const CheckOutcome& outcome) {
  // That copy holds what was written for each place: data that came back written for
  // another one came from the card, so a fake stays one, and only what the copy can have
  // served is left open.
  if (outcome.verdict == Verdict::fake && outcome.realBytes) {
    return secondaryNote(tr("This computer kept its own copy of what was written, and Tessorin wasn’t allowed to "
                            "clear it, so the card’s read speed wasn’t measured."));
  }
  if (outcome.verdict == Verdict::fake) {
    return secondaryNote(tr("This computer kept its own copy of what was written, and Tessorin wasn’t allowed to "
                            "clear it, so the card’s real size and read speed weren’t measured. To learn them, "
                            "check the card again and take it out and put it back when asked."));
  }
  return note(tr("This computer kept its own copy of what was written, and Tessorin wasn’t allowed to clear it, so "
                 "what was read back may have come from that copy instead of the card. Check the card again and take "
                 "it out and put it back when asked."),
              warningSymbol, Palette::amber());
}

void OutcomeNotes::addStoppedAccepting(std::vector<OutcomeNote>& notes, std::uint64_t took, WriteRefusal refusal) {
  notes.push_back(note(tr("The card stopped accepting data after %1.").arg(DisplayFormat::byteCountText(took)),
                       warningSymbol, Palette::red()));
  if (refusal == WriteRefusal::readOnly) {
    notes.push_back(note(tr("It has turned read-only: it keeps what it holds but takes nothing more. Copy your files "
                            "off it first, while it still reads them."),
                         warningSymbol, Palette::amber()));
  } else if (refusal == WriteRefusal::losesData) {
    notes.push_back(note(tr("Some of what it took does not read back: it loses data. Copy your files off it first, "
                            "then check that they open."),
                         warningSymbol, Palette::red()));
  }
}

}  // namespace tessorin
