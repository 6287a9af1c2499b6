#include "card/progress/FullProgressPanelModel.hpp"

#include <cmath>
#include <limits>

#include <QCoreApplication>

#include "card/progress/CardSilence.hpp"
#include "card/progress/CoalescedRecompute.hpp"
#include "theme/text/DisplayFormat.hpp"
#include "card/progress/ProgressFigures.hpp"
#include "card/progress/ProgressWording.hpp"
#include "card/progress/SessionFindings.hpp"
#include "session/check/CardSession.hpp"

namespace tessorin {

using namespace progress_figures;

namespace {


// The sum of the failed sectors' counts, negative counts read as 0, saturated.
std::int64_t failedSectors(const SectorTally& tally) {
  std::int64_t sum = 0;
  for (const std::int64_t count : {tally.blank, tally.stale, tally.misplaced, tally.corrupted, tally.unreadable}) {
    if (count <= 0) continue;
    if (sum > std::numeric_limits<std::int64_t>::max() - count) return std::numeric_limits<std::int64_t>::max();
    sum += count;
  }
  return sum;
}

}  // namespace

FullProgressPanelModel::FullProgressPanelModel(QObject* parent) : ProgressPanelModel(parent) {}

FullProgressPanelModel::~FullProgressPanelModel() = default;

double FullProgressPanelModel::totalFraction(Phase phase, const FullLive& full) {
  if (full.bytesTotal == 0) return 0;
  const double f = static_cast<double>(full.bytesDone) / static_cast<double>(full.bytesTotal);
  if (phase == Phase::preparing || phase == Phase::writing) return 0.75 * f;
  return 0.75 + 0.25 * f;
}

QString FullProgressPanelModel::phaseTitle(Phase phase) {
  switch (phase) {
    case Phase::preparing: return tr("Getting ready");
    case Phase::writing: return tr("Filling the card with test data");
    case Phase::verifying: return tr("Checking every byte");
    case Phase::cleaning: return tr("Deleting the test data");
  }
  return {};
}

QString FullProgressPanelModel::phaseDetail(Phase phase) {
  switch (phase) {
    case Phase::preparing:
    case Phase::writing: return tr("Every free byte gets a unique, verifiable pattern.");
    case Phase::verifying: return tr("Reading it all back to see what the card really kept.");
    case Phase::cleaning: return tr("Almost done.");
  }
  return {};
}

std::vector<MetricValue> FullProgressPanelModel::figures(Phase phase, const FullLive& full,
                                                         std::optional<double> remainingSeconds, bool cardSilent) {
  const std::uint64_t largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  const bool timed = remainingSeconds && std::isfinite(*remainingSeconds);
  QString timeLeft = DisplayFormat::missing();
  if (timed) timeLeft = cardSilent ? tr("Waiting for the card…") : DisplayFormat::durationText(*remainingSeconds);
  return {{tr("Speed"), cardSilent ? DisplayFormat::missing() : speedText(full.bytesPerSecond)},
          {phase == Phase::verifying ? tr("Read") : tr("Written"),
           DisplayFormat::byteCountText(std::min(full.bytesDone, largest))},
          {tr("Time left"), timeLeft}};
}

QString FullProgressPanelModel::failureText(const SectorTally& tally) {
  const std::int64_t failed = failedSectors(tally);
  if (failed <= 0) return {};
  return tr("%1 failed so far").arg(DisplayFormat::byteCountText(saturatingProduct(failed, sectorSize)));
}

void FullProgressPanelModel::follow(CoalescedRecompute& recompute, CardSession& session) {
  recompute.follow(&session, &CardSession::stageChanged, &CardSession::fullChanged, &CardSession::quickResultChanged,
                   &CardSession::quickSkippedChanged, &CardSession::zoneResultChanged,
                   &CardSession::readerBestBeforeChanged, &CardSession::deviceChanged);
}

QString FullProgressPanelModel::ringCaption() const { return tr("advanced"); }
QString FullProgressPanelModel::mapHeading() const { return ProgressWording::mapTitle(shown_.isUSBDrive); }
QString FullProgressPanelModel::chartHeading() const { return ProgressWording::chartTitle(shown_.isUSBDrive); }

FullProgressPanelModel::Shown FullProgressPanelModel::compute(const CardSession& session) {
  const Phase phase = session.stage().kind == CardSessionStage::Kind::full ? session.stage().phase : Phase::preparing;
  const FullLive& full = session.full();
  Shown shown;
  shown.common.skipped = session.quickSkipped().has_value();
  shown.isUSBDrive = session.isUSBDrive();
  shown.common.silent = card_silence::isSilent(session);
  shown.common.fraction = totalFraction(phase, full);
  shown.common.percentText = DisplayFormat::percentText(shown.common.fraction);
  shown.phaseTitle = phaseTitle(phase);
  shown.phaseDetail = phaseDetail(phase);
  shown.common.figures = figures(phase, full, session.fullRemainingSeconds(), shown.common.silent);
  shown.failureText = failureText(full.tally);
  if (full.map.totalBytes != 0) shown.map = CapacityMapInput{full.map};
  // The chart spans what the map spans, so that both show the same share written.
  if (full.writeSamples.size() >= 2) {
    shown.common.chart = SpeedChartInput{full.writeSamples, full.readSamples, full.map.totalBytes};
  }
  // The session reads the setting when writing ends; from the read-back on it no
  // longer matters.
  shown.showsToggle = phase == Phase::preparing || phase == Phase::writing;
  shown.common.banner = session_findings::bannerInput(session, true);
  shown.common.summary = session_findings::speedSummaryInput(session);
  return shown;
}

bool FullProgressPanelModel::refresh(const CardSession* session) {
  return replace(shown_, session ? compute(*session) : Shown{});
}

}  // namespace tessorin
