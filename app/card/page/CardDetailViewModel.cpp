#include "card/page/CardDetailViewModel.hpp"

#include "theme/text/DisplayFormat.hpp"
#include "theme/Palette.hpp"

namespace tessorin {

using Kind = CardSessionStage::Kind;

CardDetailViewModel::CardDetailViewModel(QObject* parent) : QObject(parent) {}

void CardDetailViewModel::setSession(QObject* session) {
  auto* cardSession = qobject_cast<CardSession*>(session);
  if (session_ == cardSession) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = cardSession;
  if (session_) {
    CardSession* s = session_;
    connect(s, &CardSession::stageChanged, this, [this] {
      Q_EMIT stageChanged();
      Q_EMIT tintChanged();
    });
    connect(s, &CardSession::outcomeChanged, this, [this] {
      Q_EMIT stageChanged();
      Q_EMIT tintChanged();
    });
    connect(s, &CardSession::quickResultChanged, this, &CardDetailViewModel::tintChanged);
    connect(s, &CardSession::deviceChanged, this, &CardDetailViewModel::deviceChanged);
    for (auto signal : {&CardSession::confirmingEraseChanged, &CardSession::offeringEraseChanged,
                        &CardSession::errorMessageChanged, &CardSession::permissionRequestChanged,
                        &CardSession::showingDiskUtilityGuideChanged}) {
      connect(s, signal, this, &CardDetailViewModel::dialogsChanged);
    }
    connect(s, &QObject::destroyed, this, &CardDetailViewModel::announceAll);
    s->refreshFigures();
  }
  announceAll();
}

void CardDetailViewModel::announceAll() {
  Q_EMIT sessionChanged();
  Q_EMIT stageChanged();
  Q_EMIT tintChanged();
  Q_EMIT deviceChanged();
  Q_EMIT dialogsChanged();
}

CardDetailViewModel::Panel CardDetailViewModel::panelFor(const CardSessionStage& stage, bool hasOutcome) {
  switch (stage.kind) {
    case Kind::quick: return Panel::Quick;
    case Kind::full: return Panel::Full;
    case Kind::reinsert: return Panel::Reinsert;
    case Kind::idle: return Panel::Start;
    case Kind::decision: return Panel::Decision;
    case Kind::erasing: return Panel::Erasing;
    case Kind::finished: return hasOutcome ? Panel::Outcome : Panel::Empty;
  }
  return Panel::Empty;
}

QColor CardDetailViewModel::tintFor(const CardSessionStage& stage,
                                    std::optional<QuickProbeResult::Verdict> quickVerdict,
                                    std::optional<CheckOutcome::Verdict> outcomeVerdict) {
  switch (stage.kind) {
    case Kind::quick:
    case Kind::full:
    case Kind::reinsert:
    case Kind::erasing: return Palette::cyan();
    case Kind::idle: return Palette::indigo();
    case Kind::decision:
      return quickVerdict == QuickProbeResult::Verdict::damaged ? Palette::amber() : Palette::red();
    case Kind::finished:
      if (!outcomeVerdict) return Palette::indigo();
      switch (*outcomeVerdict) {
        case CheckOutcome::Verdict::genuine:
        case CheckOutcome::Verdict::likelyGenuine: return Palette::green();
        case CheckOutcome::Verdict::fake: return Palette::red();
        case CheckOutcome::Verdict::damaged:
        case CheckOutcome::Verdict::inconclusive: return Palette::amber();
      }
  }
  return Palette::indigo();
}

CardDetailViewModel::Panel CardDetailViewModel::panel() const {
  return session_ ? panelFor(session_->stage(), session_->outcome().has_value()) : Panel::Empty;
}

int CardDetailViewModel::phase() const { return session_ ? static_cast<int>(session_->stage().phase) : 0; }

bool CardDetailViewModel::cardOut() const { return session_ && session_->stage().cardOut; }

QColor CardDetailViewModel::tint() const {
  if (!session_) return Palette::indigo();
  std::optional<QuickProbeResult::Verdict> quickVerdict;
  if (session_->quickResult()) quickVerdict = session_->quickResult()->verdict();
  std::optional<CheckOutcome::Verdict> outcomeVerdict;
  if (session_->outcome()) outcomeVerdict = session_->outcome()->verdict;
  return tintFor(session_->stage(), quickVerdict, outcomeVerdict);
}

QColor CardDetailViewModel::washColor() const {
  QColor color = tint();
  color.setAlphaF(0.16f);
  return color;
}

QColor CardDetailViewModel::washClear() const {
  QColor color = tint();
  color.setAlphaF(0.0f);
  return color;
}

QString CardDetailViewModel::title() const {
  return session_ ? QString::fromStdString(session_->device().volumeName) : QString();
}

QString CardDetailViewModel::volumePath() const {
  return session_ ? QString::fromStdString(session_->device().volumeURL.string()) : QString();
}

QString CardDetailViewModel::confirmEraseTitle(const QString& volumeName) {
  return tr("To check “%1”, Tessorin has to erase it").arg(volumeName);
}

QString CardDetailViewModel::confirmEraseMessage(const VolumeStats& volume) {
  return tr("Only %1 of the card is free, too little to test it. Everything on it will be deleted for good. Copy "
            "anything you want to keep to another place first.")
      .arg(DisplayFormat::byteCountText(volume.availableBytes));
}

QString CardDetailViewModel::offerEraseTitle(const QString& volumeName) {
  return tr("Erase “%1” before checking it?").arg(volumeName);
}

QString CardDetailViewModel::offerEraseMessage(const VolumeStats& volume) {
  return tr("Files take up %1 of it, and Tessorin can only test free space. A fake card only shows itself past its "
            "real size, so to check all of it the card has to be erased. Everything on it will be deleted for good: "
            "copy anything you want to keep to another place first.")
      .arg(DisplayFormat::byteCountText(volume.usedBytes()));
}

QString CardDetailViewModel::confirmEraseTitle() const { return confirmEraseTitle(title()); }

QString CardDetailViewModel::confirmEraseMessage() const {
  return session_ ? confirmEraseMessage(session_->device().volume) : QString();
}

QString CardDetailViewModel::offerEraseTitle() const { return offerEraseTitle(title()); }

QString CardDetailViewModel::offerEraseMessage() const {
  return session_ ? offerEraseMessage(session_->device().volume) : QString();
}

QString CardDetailViewModel::eraseAndCheckTitle() const { return tr("Erase and Check"); }
QString CardDetailViewModel::checkFreeSpaceTitle() const { return tr("Check Free Space Only"); }
QString CardDetailViewModel::cancelTitle() const { return tr("Cancel"); }
QString CardDetailViewModel::errorTitle() const { return QStringLiteral("Tessorin"); }

QString CardDetailViewModel::errorText() const {
  return session_ && session_->errorMessage() ? *session_->errorMessage() : QString();
}

QString CardDetailViewModel::okTitle() const { return tr("OK"); }

QString CardDetailViewModel::permissionRequestId() const {
  return session_ && session_->permissionRequest() ? session_->permissionRequest()->id.toString() : QString();
}

bool CardDetailViewModel::anyDialogOpen() const {
  return confirmingErase() || offeringErase() || showingError() || showingPermission() || showingDiskUtilityGuide();
}

void CardDetailViewModel::eraseAndCheckConfirmed() {
  if (!session_) return;
  session_->eraseAndCheck();
  closeConfirmingErase();
}

void CardDetailViewModel::eraseAndCheckOffered() {
  if (!session_) return;
  session_->eraseAndCheck();
  closeOfferingErase();
}

void CardDetailViewModel::checkFreeSpaceOnly() {
  if (!session_) return;
  session_->check();
  closeOfferingErase();
}

void CardDetailViewModel::closeConfirmingErase() {
  if (session_) session_->setConfirmingErase(false);
}

void CardDetailViewModel::closeOfferingErase() {
  if (session_) session_->setOfferingErase(false);
}

void CardDetailViewModel::closeError() {
  if (session_) session_->setErrorMessage(std::nullopt);
}

void CardDetailViewModel::closePermission(const QString& requestId) {
  if (session_ && permissionRequestId() == requestId) session_->setPermissionRequest(std::nullopt);
}

void CardDetailViewModel::closeDiskUtilityGuide() {
  if (session_) session_->setShowingDiskUtilityGuide(false);
}

}  // namespace tessorin
