#include "results/outcome/OutcomePanelModel.hpp"

#include <QClipboard>
#include <QDir>
#include <QStandardPaths>
#include <QGuiApplication>

#include "theme/text/DisplayFormat.hpp"
#include "card/charts/ProbeStripModel.hpp"
#include "theme/Palette.hpp"
#include "theme/GadgetList.hpp"
#include "results/xray/LiveXRay.hpp"
#include "results/outcome/OutcomeNotes.hpp"
#include "results/outcome/PlainTextSummary.hpp"
#include "results/outcome/ResultFigures.hpp"
#include "results/outcome/SummaryFile.hpp"
#include "session/errors/ErrorWording.hpp"

namespace tessorin {

void OutcomePanelModel::setSession(CardSession* session) {
  if (session == session_) return;
  for (const auto& connection : connections_) QObject::disconnect(connection);
  connections_.clear();
  session_ = session;
  outcome_ = {};
  if (session) {
    if (session->outcome()) outcome_.outcome = std::make_shared<const CheckOutcome>(*session->outcome());
    for (const auto changed : {&CardSession::quickSkippedChanged, &CardSession::deviceChanged,
                               &CardSession::claimedBrandChanged}) {
      connections_.push_back(connect(session, changed, this, &OutcomePanelModel::notesChanged));
    }
    connections_.push_back(
        connect(session, &CardSession::recordChanged, this, &OutcomePanelModel::showsPurchaseChanged));
    connections_.push_back(connect(session, &CardSession::deviceChanged, this, &OutcomePanelModel::cardChanged));
    connections_.push_back(connect(session, &CardSession::deviceChanged, this, &OutcomePanelModel::headlineChanged));
  }
  Q_EMIT sessionChanged();
  Q_EMIT notesChanged();
  Q_EMIT showsPurchaseChanged();
  Q_EMIT cardChanged();
  Q_EMIT headlineChanged();
}

QColor OutcomePanelModel::verdictColor() const {
  return hasOutcome() ? Palette::verdictColor(outcome_.outcome->verdict) : QColor();
}

VerdictHeadlineInput OutcomePanelModel::headlineOf(const CheckOutcome& outcome) {
  VerdictHeadlineInput input;
  input.verdict = outcome.verdict;
  input.realBytes = outcome.realBytes;
  input.lostFrom = ResultFigures::lostFrom(outcome);
  input.advertisedBytes = outcome.advertisedBytes;
  input.method = outcome.method;
  if (outcome.full) {
    input.testedBytes = outcome.full->manifest.writtenBytes();
    input.cameBackEmpty = ResultFigures::cameBackEmptyBytes(outcome.full->tally);
    input.cameBackWrong = ResultFigures::cameBackWrongBytes(outcome.full->tally);
  }
  input.partlyTested = ResultFigures::testedOnlyPart(outcome);
  input.refusal = ResultFigures::writeRefusal(outcome);
  input.stoppedAnswering = !outcome.full && outcome.zone && outcome.zone->cardStoppedAnswering;
  return input;
}

VerdictHeadlineInput OutcomePanelModel::headline() const {
  if (!hasOutcome()) return {};
  VerdictHeadlineInput input = headlineOf(*outcome_.outcome);
  input.isUSBDrive = session_ && session_->isUSBDrive();
  return input;
}

bool OutcomePanelModel::showsComparison() const {
  return hasOutcome() && outcome_.outcome->verdict == CheckOutcome::Verdict::fake;
}

CapacityComparisonInput OutcomePanelModel::comparison() const {
  if (!hasOutcome()) return {};
  const CheckOutcome& outcome = *outcome_.outcome;
  return {outcome.advertisedBytes, outcome.realBytes, ResultFigures::lostFrom(outcome)};
}

QVariantList OutcomePanelModel::noteList() const {
  if (!hasOutcome() || !session_) return {};
  return gadgetList(OutcomeNotes::make(*outcome_.outcome, session_->quickSkipped(), LiveXRay::of(*session_)));
}

std::vector<FigureRow> OutcomePanelModel::stats(const FullTestResult& full) {
  const TestManifest& manifest = full.manifest;
  return {
      {QStringLiteral("internaldrive"), tr("Tested"), DisplayFormat::byteCountText(manifest.writtenBytes())},
      {QStringLiteral("square.and.arrow.down"), tr("Write speed"), ResultFigures::speedText(manifest.writeSpeed.average)},
      {QStringLiteral("square.and.arrow.up"), tr("Read speed"), ResultFigures::speedText(full.cardReadSpeed())},
      {QStringLiteral("clock"), tr("Duration"), ResultFigures::durationText(manifest.writeDuration + full.readDuration)},
  };
}

QVariantList OutcomePanelModel::statList() const {
  return showsFullDetails() ? gadgetList(stats(*outcome_.outcome->full)) : QVariantList();
}

bool OutcomePanelModel::showsSpeed() const {
  return hasOutcome() && outcome_.outcome->zone && outcome_.outcome->speed;
}

SpeedSummaryInput OutcomePanelModel::speedSummary() const {
  if (!showsSpeed() || !session_) return {};
  SpeedSummaryInput input;
  input.zone = *outcome_.outcome->zone;
  input.rating = *outcome_.outcome->speed;
  input.isSDCard = !session_->isUSBDrive();
  if (const auto& usb = session_->device().usb) input.usbLink = usb->linkSpeed;
  input.refusal = ResultFigures::writeRefusal(*outcome_.outcome);
  return input;
}

ProbeStripInput OutcomePanelModel::probeStrip() const {
  return showsProbes() ? ProbeStripModel::makeCells(outcome_.outcome->quick->outcomes) : ProbeStripInput();
}

FullDetailsInput OutcomePanelModel::fullDetails() const {
  if (!showsFullDetails()) return {};
  // Shares the panel's copy: the details read the same result as long as the panel lives.
  const CheckOutcome& outcome = *outcome_.outcome;
  return {.result = std::shared_ptr<const FullTestResult>(outcome_.outcome, &*outcome.full),
          .cardBytes = ResultFigures::testedOnlyPart(outcome) ? outcome.advertisedBytes : 0,
          .isUSBDrive = session_ && session_->isUSBDrive()};
}

bool OutcomePanelModel::showsProbes() const {
  return hasOutcome() && !outcome_.outcome->full && outcome_.outcome->quick;
}

QString OutcomePanelModel::suggestedFileName() const { return SummaryFile::suggestedName(); }

QUrl OutcomePanelModel::suggestedFolder() const {
  return QUrl::fromLocalFile(
      SummaryFile::suggestedFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath()));
}

QUrl OutcomePanelModel::suggestedFile() const {
  return QUrl::fromLocalFile(QDir(suggestedFolder().toLocalFile()).filePath(suggestedFileName()));
}

QString OutcomePanelModel::summary() const {
  if (!hasOutcome() || !session_) return {};
  std::optional<QString> brandName;
  if (const auto name = session_->brandName()) brandName = QString::fromStdString(*name);
  return PlainTextSummary::make(*outcome_.outcome, session_->device(), brandName, session_->isUSBDrive());
}

void OutcomePanelModel::copySummary() const { QGuiApplication::clipboard()->setText(summary()); }

QVariantMap OutcomePanelModel::saveSummary(const QUrl& file) const {
  const std::optional<QString> reason = SummaryFile::save(file.toLocalFile(), summary());
  if (!reason) return {};
  const ErrorNotice notice = ErrorWording::fileNotSaved(*reason);
  return {{QStringLiteral("message"), notice.message}, {QStringLiteral("detail"), notice.detail}};
}

void OutcomePanelModel::checkAgain() {
  if (session_) session_->discardOutcome();
}

}  // namespace tessorin
