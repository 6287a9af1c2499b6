#include "card/progress/QuickProgressPanelModel.hpp"

#include <algorithm>

#include <QCoreApplication>

#include "card/progress/CardSilence.hpp"
#include "card/progress/CoalescedRecompute.hpp"
#include "theme/text/DisplayFormat.hpp"
#include "card/charts/ProbeStripModel.hpp"
#include "card/progress/ProgressFigures.hpp"
#include "card/progress/SessionFindings.hpp"
#include "card/progress/StageTrackModel.hpp"
#include "session/check/CardSession.hpp"

namespace tessorin {

using namespace progress_figures;

namespace {

// The zone's samples are placed by the mebibytes done of the zone's total; the random
// step counts operations instead, and by then the write samples have reached the end.
std::uint64_t zoneExtent(const CardSession& session, const QuickProbeProgress& progress) {
  if (progress.step != QuickProbeProgress::Step::random && progress.total > 0) return saturatingProduct(progress.total, mebibyte);
  std::uint64_t furthest = 0;
  for (const SpeedSample& sample : session.zoneTrace().write) furthest = std::max(furthest, sample.position);
  return furthest;
}

}  // namespace

QuickProgressPanelModel::QuickProgressPanelModel(QObject* parent)
    : ProgressPanelModel(parent) {}

QuickProgressPanelModel::~QuickProgressPanelModel() = default;

double QuickProgressPanelModel::totalFraction(const QuickProbeProgress& progress, bool skipped) {
  const double x = clampedFraction(progress.fraction);
  if (progress.step == Step::random) return skipped ? 0.86 + 0.12 * x : 0.80 + 0.17 * x;
  switch (progress.phase) {
    case Phase::cleaning: return 0.99;
    case Phase::zone:
      if (progress.step == Step::writing) return skipped ? 0.70 * x : 0.26 + 0.44 * x;
      return skipped ? 0.70 + 0.16 * x : 0.70 + 0.10 * x;
    case Phase::preparing: return 0.01;
    case Phase::coarse:
      if (skipped) return 0.01;
      switch (progress.step) {
        case Step::writing: return 0.03 * x;
        case Step::flushing: return 0.03 + 0.06 * x;
        default: return 0.09 + 0.03 * x;
      }
    case Phase::fine:
      if (skipped) return 0.01;
      switch (progress.step) {
        case Step::writing: return 0.12 + 0.04 * x;
        case Step::flushing: return 0.16 + 0.06 * x;
        default: return 0.22 + 0.04 * x;
      }
  }
  return 0;
}

QString QuickProgressPanelModel::title(Phase phase, bool skipped, bool isUSBDrive) {
  switch (phase) {
    case Phase::preparing:
    case Phase::coarse:
      if (skipped) return tr("Measuring the real speed");
      return isUSBDrive ? tr("Probing the whole drive") : tr("Probing the whole card");
    case Phase::zone: return tr("Measuring the real speed");
    case Phase::fine: return tr("Measuring the real capacity");
    case Phase::cleaning: return tr("Tidying up…");
  }
  return {};
}

QString QuickProgressPanelModel::stepText(Phase phase, Step step, bool isUSBDrive) {
  if (phase == Phase::preparing) {
    return isUSBDrive ? tr("Mapping the drive’s free space…") : tr("Mapping the card’s free space…");
  }
  switch (step) {
    case Step::writing:
      switch (phase) {
        case Phase::coarse:
          return isUSBDrive ? tr("Placing probes across the whole drive…")
                            : tr("Placing probes across the whole card…");
        case Phase::zone:
          return isUSBDrive ? tr("Writing to the start of the drive, where even a fake drive has real memory…")
                            : tr("Writing to the start of the card, where even a fake card has real memory…");
        case Phase::fine: return tr("More probes, to pin the answer down…");
        default: return tr("Deleting the test data…");
      }
    case Step::verifying:
      switch (phase) {
        case Phase::zone: return tr("Reading it back and checking every byte…");
        case Phase::cleaning: return tr("Deleting the test data…");
        default: return tr("Reading the probes back…");
      }
    case Step::flushing:
      return isUSBDrive ? tr("Writing other data to flush the drive’s temporary memory, so it can’t fool the check…")
                        : tr("Writing other data to flush the card’s temporary memory, so it can’t fool the check…");
    case Step::random:
      return isUSBDrive ? tr("Small reads and writes in random places, the way programs use a drive…")
                        : tr("Small reads and writes in random places, the way phones and apps use a card…");
  }
  return {};
}

QuickProgressPanelModel::LiveFigures QuickProgressPanelModel::liveFigures(const QuickProbeProgress& progress,
                                                                         bool cardSilent) {
  LiveFigures figures;
  const auto speed = [cardSilent](double bytesPerSecond) {
    return cardSilent ? DisplayFormat::missing() : speedText(bytesPerSecond);
  };
  const QString amount = mebibyteText(progress.completed) + QStringLiteral(" / ") + mebibyteText(progress.total);
  if (progress.phase == Phase::zone && progress.step == Step::random) {
    figures.metrics = {{progress.randomWrites ? tr("Random 4K writes") : tr("Random 4K reads"),
                        speed(progress.bytesPerSecond)},
                       {tr("Per second"), cardSilent ? DisplayFormat::missing() : rateText(progress.operationsPerSecond)}};
  } else if (progress.phase == Phase::zone) {
    const bool writing = progress.step == Step::writing;
    figures.metrics = {{writing ? tr("Writing at") : tr("Reading at"), speed(progress.bytesPerSecond)},
                       {writing ? tr("Written") : tr("Read"), amount}};
  } else if (progress.step == Step::flushing) {
    figures.metrics = {{tr("Written"), amount}};
  } else if (progress.total >= 2) {
    figures.probeCounter =
        tr("Probe %1 of %2").arg(std::max<std::int64_t>(0, progress.completed)).arg(progress.total);
  }
  return figures;
}

void QuickProgressPanelModel::follow(CoalescedRecompute& recompute, CardSession& session) {
  recompute.follow(&session, &CardSession::stageChanged, &CardSession::quickResultChanged,
                   &CardSession::quickSkippedChanged, &CardSession::zoneResultChanged,
                   &CardSession::readerBestBeforeChanged, &CardSession::zoneTraceChanged,
                   &CardSession::liveProbesChanged, &CardSession::deviceChanged);
}

QString QuickProgressPanelModel::ringCaption() const { return tr("quick"); }

QString QuickProgressPanelModel::footnote() const {
  return tr("Each stage gives an answer of its own. You can stop at any time and keep the best answer so far.");
}

QuickProgressPanelModel::Shown QuickProgressPanelModel::compute(const CardSession& session) {
  const QuickProbeProgress progress =
      session.stage().kind == CardSessionStage::Kind::quick ? session.stage().progress : QuickProbeProgress();
  Shown shown;
  Common& common = shown.common;
  common.skipped = session.quickSkipped().has_value();
  common.silent = card_silence::isSilent(session);
  const bool onSpeed = progress.phase == Phase::zone || progress.phase == Phase::cleaning || common.skipped;
  shown.stageStep = onSpeed ? StageTrackModel::Speed : StageTrackModel::Capacity;
  common.fraction = totalFraction(progress, common.skipped);
  common.percentText = DisplayFormat::percentText(common.fraction);
  shown.title = title(progress.phase, common.skipped, session.isUSBDrive());
  shown.stepText = stepText(progress.phase, progress.step, session.isUSBDrive());
  LiveFigures live = liveFigures(progress, common.silent);
  common.figures = std::move(live.metrics);
  shown.probeCounter = std::move(live.probeCounter);
  common.summary = session_findings::speedSummaryInput(session);
  if (progress.phase == Phase::zone && !common.summary && session.zoneTrace().write.size() >= 2) {
    common.chart = SpeedChartInput{session.zoneTrace().write, session.zoneTrace().read, zoneExtent(session, progress)};
  }
  common.banner = session_findings::bannerInput(session, false);
  if (session.quickResult()) {
    shown.strip = ProbeStripModel::withLiveCells(ProbeStripModel::makeCells(session.quickResult()->outcomes),
                                                 session.liveProbes());
  } else if (!session.liveProbes().empty()) {
    shown.strip = ProbeStripInput{session.liveProbes(), true};
  }
  return shown;
}

bool QuickProgressPanelModel::refresh(const CardSession* session) {
  return replace(shown_, session ? compute(*session) : Shown{});
}

}  // namespace tessorin
