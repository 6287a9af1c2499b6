#include "results/outcome/ReportCardPhrases.hpp"

#include <cmath>

#include "theme/text/DisplayFormat.hpp"
#include "theme/text/IndefiniteArticle.hpp"
#include "results/outcome/ResultFigures.hpp"

namespace tessorin {

namespace {

using Verdict = CheckOutcome::Verdict;
using Tone = ReportCardPhrases::Tone;

std::int64_t badSectorsOf(const SectorTally& tally) {
  return ResultFigures::saturatingSum({tally.blank, tally.stale, tally.misplaced, tally.corrupted, tally.unreadable});
}

// A card that turned read-only still holds what it took: its refused writes are no lost
// data, and telling the user it loses data would contradict the advice to copy files off it.
bool turnedReadOnly(const CheckOutcome& outcome) {
  return ResultFigures::writeRefusal(outcome) == WriteRefusal::readOnly;
}

ReportCardPhrases::Phrase perhapsFromMemory() {
  return {ReportCardPhrases::tr("every byte came back, perhaps from this computer’s copy"), Tone::neutral};
}

}  // namespace

ReportCardPhrases::Phrase ReportCardPhrases::capacityVerdict(const CheckOutcome& outcome) {
  switch (outcome.verdict) {
    case Verdict::genuine:
      if (ResultFigures::testedOnlyPart(outcome)) {
        return {tr("%1 of %2 checked")
                    .arg(DisplayFormat::byteCountText(outcome.full->manifest.writtenBytes()),
                         DisplayFormat::formatCapacity(outcome.advertisedBytes)),
                Tone::neutral};
      }
      return {tr("all of it"), Tone::good};
    case Verdict::likelyGenuine:
      return {tr("no sign of less"), Tone::good};
    case Verdict::fake:
      if (outcome.realBytes) return {measuredCapacity(*outcome.realBytes, outcome), Tone::bad};
      return {tr("less than claimed"), Tone::bad};
    case Verdict::damaged:
    case Verdict::inconclusive:
      break;
  }
  return {tr("not settled"), Tone::neutral};
}

QString ReportCardPhrases::measuredCapacity(std::uint64_t realBytes, const CheckOutcome& outcome) {
  if (!outcome.full && outcome.quick) {
    if (const auto range = outcome.quick->realCapacityRange()) {
      if (const auto upper = ResultFigures::wideRangeEnd(*range)) {
        return tr("between %1 and %2")
            .arg(DisplayFormat::roundedSizeText(realBytes), DisplayFormat::roundedSizeText(*upper));
      }
    }
  }
  if (const auto label = ResultFigures::nominalSizeDifferentFromClaim(realBytes, outcome.advertisedBytes)) {
    return nominalCapacityPhrase(*label, realBytes);
  }
  return tr("about %1 usable").arg(DisplayFormat::roundedSizeText(realBytes));
}

QString ReportCardPhrases::nominalCapacityPhrase(const QString& sizeLabel, std::uint64_t realBytes) {
  return tr("%1 card, about %2 usable").arg(withIndefiniteArticle(sizeLabel), DisplayFormat::roundedSizeText(realBytes));
}

ReportCardPhrases::Phrase ReportCardPhrases::dataPhrase(const CheckOutcome& outcome) {
  if (turnedReadOnly(outcome)) return {tr("what it took still reads back"), Tone::good};
  if (outcome.full) {
    const SectorTally& tally = outcome.full->tally;
    const std::int64_t bad = badSectorsOf(tally);
    if (bad == 0 && outcome.readBackMayBeFromMemory()) return perhapsFromMemory();
    if (bad == 0) return {tr("every byte came back"), Tone::good};
    if (outcome.verdict == Verdict::fake && tally.corrupted == 0 && tally.unreadable == 0) {
      return {tr("lost past the real capacity"), Tone::bad};
    }
    return {tr("%1 lost or corrupted").arg(DisplayFormat::byteCountText(ResultFigures::sectorBytes(bad))), Tone::bad};
  }
  if (outcome.quick && outcome.quick->failedProbeCount() > 0) {
    return {tr("corrupts data even inside its real capacity"), Tone::bad};
  }
  if (!outcome.zone) return {DisplayFormat::missing(), Tone::neutral};
  if (badSectorsOf(outcome.zone->tally) > 0 || outcome.zone->writeFailed) {
    return {tr("the start of the card loses data"), Tone::bad};
  }
  // The zone was read back through the same copy as the probes.
  if (outcome.readBackMayBeFromMemory()) return perhapsFromMemory();
  return {tr("the start of the card keeps every byte"), Tone::good};
}

ReportCardPhrases::Phrase ReportCardPhrases::healthPhrase(const CheckOutcome& outcome) {
  if (turnedReadOnly(outcome)) return {tr("turned read-only, takes no more writes"), Tone::bad};
  const std::int64_t probeStalls = outcome.quick ? outcome.quick->stalledWriteCount() : 0;
  const std::int64_t zoneStalls = outcome.zone ? outcome.zone->stalledSegmentCount() : 0;
  const std::int64_t stalls = ResultFigures::saturatingSum({probeStalls, zoneStalls});
  if (outcome.verdict == Verdict::damaged && stalls == 0) return {tr("doesn’t keep what it’s given"), Tone::bad};
  if (!outcome.quick && !outcome.zone) return {DisplayFormat::missing(), Tone::neutral};
  if (stalls == 0) return {tr("no stalls"), Tone::good};
  const QString count = QString::number(stalls);
  if (probeStalls > 0) {
    // A broken probe time has no length to show; the count alone still tells.
    const double longest = outcome.quick->maximumWriteSeconds();
    if (std::isfinite(longest)) {
      return {tr("Stalled writes: %1, up to %2").arg(count, DisplayFormat::durationText(longest)), Tone::bad};
    }
  }
  return {tr("Stalled writes: %1").arg(count), Tone::bad};
}

ReportCardPhrases::Phrase ReportCardPhrases::readSpeedPhrase(const SpeedRating& rating, bool isUSBDrive) {
  const QString speed = ResultFigures::speedText(rating.read);
  if (!rating.read) return {speed, Tone::neutral};
  switch (rating.bus) {
    case BusMode::uhs:
      return {speed, Tone::good};
    case BusMode::legacy:
      // UHS is a bus of SD cards: a USB drive has none to lack.
      if (isUSBDrive) return {speed, Tone::neutral};
      return {tr("%1 · no UHS").arg(speed), Tone::bad};
    case BusMode::unknown:
      break;
  }
  return {speed, Tone::neutral};
}

std::optional<QString> ReportCardPhrases::registerSpeedClass(const CardDevice& device) {
  if (!device.registers) return std::nullopt;
  const std::optional<std::int64_t> rating = device.registers->speedClassRating();
  if (!rating) return std::nullopt;
  return classPhrase(*rating);
}

QString ReportCardPhrases::classPhrase(std::int64_t classNumber) {
  return tr("Class %1").arg(QString::number(classNumber));
}

ReportCardPhrases::Tone ReportCardPhrases::brandTone(XRayReport::Verdict verdict) {
  switch (verdict) {
    case XRayReport::Verdict::noRedFlags:
      return Tone::good;
    case XRayReport::Verdict::suspicious:
    case XRayReport::Verdict::likelyFake:
      return Tone::bad;
    case XRayReport::Verdict::notAnalyzed:
      break;
  }
  return Tone::neutral;
}

}  // namespace tessorin
