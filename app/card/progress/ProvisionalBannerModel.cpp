#include "card/progress/ProvisionalBannerModel.hpp"

#include <QCoreApplication>

#include "theme/text/DisplayFormat.hpp"
#include "theme/Palette.hpp"

namespace tessorin {

namespace {

using Verdict = QuickProbeResult::Verdict;

QString tr(const char* text) { return QCoreApplication::translate("ProvisionalBanner", text); }

QString fakeExplanation(const QuickProbeResult& quick, bool provisional) {
  const auto range = quick.realCapacityRange();
  if (!range) return {};
  const std::uint64_t low = range->lower;
  const std::uint64_t high = range->upper;
  if (provisional && high - low > low / 20) {
    return tr("It really holds between %1 and %2. More probes will narrow it down.")
        .arg(DisplayFormat::roundedSizeText(low), DisplayFormat::roundedSizeText(high));
  }
  return tr("Real capacity about %1. Confirming…").arg(DisplayFormat::roundedSizeText(low));
}

QString damagedExplanation(const QuickProbeResult& quick) {
  const bool zoneCameBackWrong = quick.zone && (quick.zone->writeFailed || quick.zone->tally.badSectors() > 0);
  return zoneCameBackWrong ? tr("What was written to the start of the card came back wrong.")
                           : tr("Some probes came back wrong: the card doesn’t keep everything it’s given.");
}

std::vector<BannerNote> notesFor(const QuickProbeResult& quick, Verdict verdict) {
  std::vector<BannerNote> notes;
  if (quick.lostAfterVerifying > 0) {
    notes.push_back({tr("Probes that had read back fine were gone minutes later: the card only pretended to keep "
                        "them."),
                     QStringLiteral("eye.trianglebadge.exclamationmark"), Palette::red()});
  }
  if (verdict != Verdict::fake && quick.volumeBytes > 0) {
    const std::uint64_t free = quick.volumeBytes - std::min(quick.usedBytes, quick.volumeBytes);
    if (static_cast<double>(free) / static_cast<double>(quick.volumeBytes) < 0.5) {
      notes.push_back({tr("Only %1 of the card was free, so the probes covered only that part. A fake shows itself "
                          "only past its real size.")
                           .arg(DisplayFormat::byteCountText(free)),
                       QStringLiteral("exclamationmark.triangle.fill"), Palette::amber()});
    }
  }
  if (quick.stalledWriteCount() > 0) {
    notes.push_back({tr("The card took up to %1 to accept a single probe: it’s struggling.")
                         .arg(DisplayFormat::durationText(quick.maximumWriteSeconds())),
                     QStringLiteral("tortoise.fill"), Palette::amber()});
  }
  return notes;
}

}  // namespace

ProvisionalBannerModel::ProvisionalBannerModel(QObject* parent)
    : QObject(parent), looks_(looks(input_.quick, input_.advancedTestUnderWay)) {}

ProvisionalBannerModel::Looks ProvisionalBannerModel::looks(const QuickProbeResult& quick, bool advancedTestUnderWay) {
  const bool provisional = quick.completed != QuickProbeResult::Stage::zone;
  const Verdict verdict = quick.verdict();
  Looks looks;
  switch (verdict) {
    case Verdict::passed:
      looks.symbol = QStringLiteral("checkmark.seal.fill");
      looks.iconColor = Palette::green();
      looks.tint = Palette::green();
      looks.headline = provisional ? tr("So far: no sign of fakery") : tr("Quick check: no sign of fakery");
      // Before the advanced test starts (the quick check still clearing its probes away),
      // there is nothing yet to stop and keep.
      looks.explanation =
          provisional            ? tr("Probes intact so far: %1. The next stages look closer.").arg(quick.okCount())
          : advancedTestUnderWay ? tr("Confirming byte by byte. You can stop at any time and keep this answer.")
                                 : tr("The advanced test comes next and checks every byte.");
      break;
    case Verdict::fake:
      looks.symbol = QStringLiteral("xmark.seal.fill");
      looks.iconColor = Palette::red();
      looks.tint = Palette::red();
      looks.headline = provisional ? tr("So far: fake") : tr("Quick check: fake");
      looks.explanation = fakeExplanation(quick, provisional);
      break;
    case Verdict::damaged:
      looks.symbol = QStringLiteral("exclamationmark.triangle.fill");
      looks.iconColor = Palette::amber();
      looks.tint = Palette::red();
      looks.headline = provisional ? tr("So far: damaged") : tr("Quick check: damaged");
      looks.explanation = damagedExplanation(quick);
      break;
    case Verdict::inconclusive:
      looks.symbol = QStringLiteral("questionmark.diamond.fill");
      looks.iconColor = Palette::amber();
      looks.tint = Palette::green();
      looks.headline = provisional ? tr("So far: a few probes failed") : tr("Quick check: a few probes failed");
      looks.explanation = tr("The advanced test will tell whether the card is damaged or fake.");
      break;
  }
  looks.notes = notesFor(quick, verdict);
  return looks;
}

void ProvisionalBannerModel::setInput(const ProvisionalBannerInput& input) {
  if (input_ == input) return;
  input_ = input;
  Looks next = looks(input_.quick, input_.advancedTestUnderWay);
  if (next == looks_) return;
  looks_ = std::move(next);
  Q_EMIT changed();
}

QVariantList ProvisionalBannerModel::notes() const {
  QVariantList list;
  for (const BannerNote& note : looks_.notes) list.append(QVariant::fromValue(note));
  return list;
}

}  // namespace tessorin
