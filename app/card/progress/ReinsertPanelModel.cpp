#include "card/progress/ReinsertPanelModel.hpp"

#include <array>

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

namespace {

// The panel's texts for one kind of device, untranslated.
struct Texts {
  const char* heading;
  const char* explanation;
  const char* requiredReason;
  std::array<const char*, 3> steps;
  const char* checkWithoutRemoving;
  const char* eject;
  const char* waiting;
};

constexpr Texts cardTexts = {
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Now remove the card and put it back"),
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel",
                      "Everything is written. Take the card out and put it back before the check: that clears the "
                      "temporary memory some fake cards use to fool it, so Tessorin sees only what really stayed on "
                      "the card."),
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel",
                      "This computer keeps its own copy of what was just written, and Tessorin isn’t allowed to "
                      "clear it. Read back now, the check could see that copy instead of the card, so unless the "
                      "card is taken out and put back, it may still find a fake but can’t call the card genuine."),
    {QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Click Eject Card, or eject it in the file manager."),
     QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Take the card out of the reader."),
     QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Put it back in. Tessorin carries on by itself.")},
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Check Without Removing"),
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Eject Card"),
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Waiting for the card…"),
};

// A USB drive is unplugged, not taken out of a reader.
constexpr Texts driveTexts = {
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Now unplug the drive and plug it back in"),
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel",
                      "Everything is written. Unplug the drive and plug it back in before the check: that clears the "
                      "temporary memory some fake drives use to fool it, so Tessorin sees only what really stayed on "
                      "the drive."),
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel",
                      "This computer keeps its own copy of what was just written, and Tessorin isn’t allowed to "
                      "clear it. Read back now, the check could see that copy instead of the drive, so unless the "
                      "drive is unplugged and plugged back in, it may still find a fake but can’t call the drive "
                      "genuine."),
    {QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Click Eject Drive, or eject it in the file manager."),
     QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Unplug the drive."),
     QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Plug it back in. Tessorin carries on by itself.")},
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Check Without Unplugging"),
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Eject Drive"),
    QT_TRANSLATE_NOOP("tessorin::ReinsertPanelModel", "Waiting for the drive…"),
};

QString translated(const char* text) { return QCoreApplication::translate("tessorin::ReinsertPanelModel", text); }

}  // namespace

ReinsertWording ReinsertPanelModel::wording(bool isUSBDrive, bool required) {
  const Texts& texts = isUSBDrive ? driveTexts : cardTexts;
  ReinsertWording words;
  words.heading = translated(texts.heading);
  words.explanation = translated(texts.explanation);
  if (required) words.requiredReason = translated(texts.requiredReason);
  for (const char* step : texts.steps) words.steps.append(translated(step));
  words.checkWithoutRemovingText = translated(texts.checkWithoutRemoving);
  words.ejectText = translated(texts.eject);
  words.waitingText = translated(texts.waiting);
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
