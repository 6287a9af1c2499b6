#include "card/progress/ReinsertPanelModel.hpp"

#include <QCoreApplication>

#include "session/check/CardSession.hpp"

namespace tessorin {

ReinsertPanelModel::ReinsertPanelModel(QObject* parent) : QObject(parent) {}

QObject* ReinsertPanelModel::session() const { return session_; }

void ReinsertPanelModel::setSession(QObject* object) {
  auto* session = qobject_cast<CardSession*>(object);
  if (session == session_) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = session;
  if (session_) {
    connect(session_, &CardSession::stageChanged, this, &ReinsertPanelModel::update);
    connect(session_, &CardSession::quickSkippedChanged, this, &ReinsertPanelModel::update);
    connect(session_, &CardSession::reinsertWaitChanged, this, &ReinsertPanelModel::update);
    // The steps name a reader only for a card; the user may say it is a drive meanwhile.
    connect(session_, &CardSession::deviceChanged, this, &ReinsertPanelModel::changed);
  }
  Q_EMIT sessionChanged();
  update();
}

QString ReinsertPanelModel::symbol() const {
  return cardOut_ ? QStringLiteral("sdcard") : QStringLiteral("eject.circle.fill");
}

QString ReinsertPanelModel::heading() const { return tr("Now remove the card and put it back"); }

QString ReinsertPanelModel::explanation() const {
  return tr("Everything is written. Take the card out and put it back before the check: that clears the temporary "
            "memory some fake cards use to fool it, so Tessorin sees only what really stayed on the card.");
}

QString ReinsertPanelModel::requiredReason() const {
  if (!required_) return {};
  return tr("This computer keeps its own copy of what was just written, and Tessorin isn’t allowed to clear it. "
            "Read back now, the check could see that copy instead of the card, so it gives no verdict unless the "
            "card is taken out and put back.");
}

QStringList ReinsertPanelModel::steps() const {
  const bool isUSBDrive = session_ && session_->isUSBDrive();
  return {tr("Click Eject Card, or eject it in the file manager."),
          isUSBDrive ? tr("Unplug the drive.") : tr("Take the card out of the reader."),
          tr("Put it back in. Tessorin carries on by itself.")};
}

QString ReinsertPanelModel::checkWithoutRemovingText() const { return tr("Check Without Removing"); }
QString ReinsertPanelModel::ejectText() const { return tr("Eject Card"); }
QString ReinsertPanelModel::waitingText() const { return tr("Waiting for the card…"); }

void ReinsertPanelModel::update() {
  const bool cardOut = session_ && session_->stage().kind == CardSessionStage::Kind::reinsert && session_->stage().cardOut;
  const bool skipped = session_ && session_->quickSkipped().has_value();
  const bool required = session_ && session_->reinsertWait() && session_->reinsertWait()->required();
  if (cardOut == cardOut_ && skipped == probesSkipped_ && required == required_) return;
  cardOut_ = cardOut;
  probesSkipped_ = skipped;
  required_ = required;
  Q_EMIT changed();
}

}  // namespace tessorin
