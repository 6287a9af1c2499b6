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
    // Every line names the device as the user last said it is.
    connect(session_, &CardSession::deviceChanged, this, &ReinsertPanelModel::changed);
  }
  Q_EMIT sessionChanged();
  update();
}

QString ReinsertPanelModel::symbol() const {
  if (!cardOut_) return QStringLiteral("eject.circle.fill");
  return isUSBDrive() ? QStringLiteral("mediastick") : QStringLiteral("sdcard");
}

bool ReinsertPanelModel::isUSBDrive() const { return session_ && session_->isUSBDrive(); }

ReinsertWording ReinsertPanelModel::wording(bool isUSBDrive, bool required) {
  ReinsertWording words;
  if (isUSBDrive) {
    words.heading = tr("Now unplug the drive and plug it back in");
    words.explanation = tr("Everything is written. Unplug the drive and plug it back in before the check: that clears "
                           "the temporary memory some fake drives use to fool it, so Tessorin sees only what really "
                           "stayed on the drive.");
    if (required) {
      words.requiredReason = tr("This computer keeps its own copy of what was just written, and Tessorin isn’t "
                                "allowed to clear it. Read back now, the check could see that copy instead of the "
                                "drive, so it gives no verdict unless the drive is unplugged and plugged back in.");
    }
    words.steps = {tr("Click Eject Drive, or eject it in the file manager."), tr("Unplug the drive."),
                   tr("Plug it back in. Tessorin carries on by itself.")};
    words.checkWithoutRemovingText = tr("Check Without Unplugging");
    words.ejectText = tr("Eject Drive");
    words.waitingText = tr("Waiting for the drive…");
    return words;
  }
  words.heading = tr("Now remove the card and put it back");
  words.explanation = tr("Everything is written. Take the card out and put it back before the check: that clears the "
                         "temporary memory some fake cards use to fool it, so Tessorin sees only what really stayed "
                         "on the card.");
  if (required) {
    words.requiredReason = tr("This computer keeps its own copy of what was just written, and Tessorin isn’t "
                              "allowed to clear it. Read back now, the check could see that copy instead of the card, "
                              "so it gives no verdict unless the card is taken out and put back.");
  }
  words.steps = {tr("Click Eject Card, or eject it in the file manager."), tr("Take the card out of the reader."),
                 tr("Put it back in. Tessorin carries on by itself.")};
  words.checkWithoutRemovingText = tr("Check Without Removing");
  words.ejectText = tr("Eject Card");
  words.waitingText = tr("Waiting for the card…");
  return words;
}

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
