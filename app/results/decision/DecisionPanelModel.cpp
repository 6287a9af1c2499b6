#include "results/decision/DecisionPanelModel.hpp"

#include "theme/Palette.hpp"
#include "card/progress/PanelActions.hpp"
#include "card/charts/ProbeStripModel.hpp"
#include "card/progress/SessionFindings.hpp"
#include "card/page/StartPanelModel.hpp"
#include "results/outcome/ResultFigures.hpp"

namespace tessorin {

using QuickVerdict = QuickProbeResult::Verdict;

DecisionPanelModel::DecisionPanelModel(QObject* parent) : QObject(parent) {}

void DecisionPanelModel::setSession(QObject* session) {
  auto* cardSession = qobject_cast<CardSession*>(session);
  if (session_ == cardSession) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = cardSession;
  if (session_) {
    for (auto signal : {&CardSession::quickResultChanged, &CardSession::deviceChanged,
                        &CardSession::zoneResultChanged, &CardSession::readerBestBeforeChanged}) {
      connect(session_, signal, this, &DecisionPanelModel::update);
    }
    connect(session_, &QObject::destroyed, this, &DecisionPanelModel::update);
  }
  Q_EMIT sessionChanged();
  update();
}

void DecisionPanelModel::update() {
  quick_ = session_ ? session_->quickResult() : std::nullopt;
  findings_ = findings(quick_);
  claimedBytes_ = session_ ? session_->device().mediaBytes : 0;
  availableBytes_ = session_ ? session_->device().volume.availableBytes : 0;
  speed_ = session_ && quick_ ? session_findings::speedSummaryInput(*session_) : std::nullopt;
  Q_EMIT changed();
}

DecisionPanelModel::Findings DecisionPanelModel::findings(const std::optional<QuickProbeResult>& quick) {
  Findings found;
  const std::optional<QuickVerdict> verdict = quick ? std::optional(quick->verdict()) : std::nullopt;
  const bool damaged = verdict == QuickVerdict::damaged;
  found.tint = damaged ? Palette::amber() : Palette::red();
  found.shownVerdict = damaged ? CheckOutcome::Verdict::damaged : CheckOutcome::Verdict::fake;
  if (!quick) return found;
  if (const std::optional<QuickProbeResult::CapacityRange> range = quick->realCapacityRange()) {
    found.realBytes = range->lower;
    found.wideRangeEnd = ResultFigures::wideRangeEnd(*range);
  }
  found.showsComparison = !damaged;
  found.sentence = sentence(*quick);
  found.lostWarning = quick->lostAfterVerifying > 0;
  found.failedWarning = quick->failedProbeCount() > 0;
  return found;
}

QString DecisionPanelModel::sentence(const QuickProbeResult& quick) {
  if (quick.verdict() == QuickVerdict::damaged) {
    if (quick.writeRefusal() == WriteRefusal::readOnly) {
      return tr("The card stopped accepting writes during the check. What it took still reads back, but it takes "
                "nothing new.");
    }
    const bool startFailed = quick.zone && (quick.zone->writeFailed || quick.zone->tally.badSectors() > 0);
    if (startFailed) {
      return tr("What was written to the start of the card, where even a fake card has real memory, came back "
                "wrong. This card doesn’t keep what it’s given.");
    }
    return tr("Data written across the card came back wrong in places. Fake or failing, this card doesn’t keep "
              "what it’s given.");
  }
  if (!quick.wrapDistance) return tr("Probes written past the real size were lost: the card pretends to store them.");
  return tr("Probes written past the real size landed on top of earlier ones: the card wraps around and overwrites "
            "itself.");
}

VerdictHeadlineInput DecisionPanelModel::headline() const {
  VerdictHeadlineInput input;
  input.verdict = findings_.shownVerdict;
  input.realBytes = findings_.realBytes;
  input.lostFrom = findings_.wideRangeEnd;
  input.advertisedBytes = claimedBytes_;
  input.method = CheckOutcome::Method::quick;
  if (quick_) input.refusal = quick_->writeRefusal();
  input.isUSBDrive = session_ && session_->isUSBDrive();
  return input;
}

CapacityComparisonInput DecisionPanelModel::comparison() const {
  return {claimedBytes_, findings_.realBytes, findings_.wideRangeEnd};
}

ProbeStripInput DecisionPanelModel::probeStrip() const {
  return quick_ ? ProbeStripModel::makeCells(quick_->outcomes) : ProbeStripInput();
}

QString DecisionPanelModel::lostWarning() const {
  return tr("Probes that had read back fine were gone minutes later: the card only pretended to keep them.");
}

QString DecisionPanelModel::failedWarning() const { return tr("It also damaged data inside the part it really has."); }

QString DecisionPanelModel::question() const { return tr("Do you want to confirm it with the advanced test?"); }

QString DecisionPanelModel::estimateSentence() const { return estimateSentence(availableBytes_); }

QString DecisionPanelModel::estimateSentence(std::uint64_t availableBytes) {
  return tr("It checks every byte and measures the exact real capacity. It can take %1 or more, and you can stop it "
            "at any time.")
      .arg(StartPanelModel::estimateText(availableBytes));
}

QString DecisionPanelModel::finishTitle() const { return tr("Finish Here"); }

QString DecisionPanelModel::confirmTitle() const { return tr("Confirm With Advanced Test"); }

void DecisionPanelModel::finishHere() {
  if (session_) PanelActions::finishHere(session_);
}

void DecisionPanelModel::confirm() {
  if (session_) PanelActions::confirmWithAdvancedTest(session_);
}

}  // namespace tessorin
