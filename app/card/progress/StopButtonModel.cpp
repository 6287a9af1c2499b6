#include "card/progress/StopButtonModel.hpp"

#include <QCoreApplication>
#include <QQuickItem>
#include <QQuickWindow>

#include "card/progress/CardSilence.hpp"
#include "session/check/CardSession.hpp"
#include "theme/text/DisplayFormat.hpp"

namespace tessorin {

namespace {

bool inAdvancedTest(const CardSessionStage& stage) {
  return stage.kind == CardSessionStage::Kind::full || stage.kind == CardSessionStage::Kind::reinsert;
}

}  // namespace

QString StopButtonModel::questionTitle() { return QCoreApplication::translate("StopButton", "Stop the test?"); }

QString StopButtonModel::questionText(double elapsedSeconds) {
  return QCoreApplication::translate("StopButton",
                                     "The advanced test has been running for %1. If you stop it now, it ends without "
                                     "its answer, and Tessorin deletes its test data from the card.")
      .arg(DisplayFormat::durationText(elapsedSeconds));
}

QString StopButtonModel::keepTesting() { return QCoreApplication::translate("StopButton", "Keep Testing"); }

QString StopButtonModel::stopTest() { return QCoreApplication::translate("StopButton", "Stop Test"); }

QObject* StopButtonModel::session() const { return session_; }

void StopButtonModel::setSession(QObject* object) {
  auto* session = qobject_cast<CardSession*>(object);
  if (session == session_) return;
  if (session_) disconnect(session_, nullptr, this, nullptr);
  session_ = session;
  advancedSince_ = {};
  if (session_) {
    connect(session_, &CardSession::stageChanged, this, &StopButtonModel::followStage);
    connect(session_, &CardSession::fullChanged, this, &StopButtonModel::followStage);
  }
  followStage();
  Q_EMIT sessionChanged();
}

void StopButtonModel::followStage() {
  if (!session_ || !inAdvancedTest(session_->stage())) {
    advancedSince_ = {};
    return;
  }
  const QDateTime testStarted = session_->full().testStarted;
  if (testStarted.isValid()) {
    advancedSince_ = testStarted;
  } else if (!advancedSince_.isValid()) {
    advancedSince_ = card_silence::now();
  }
}

double StopButtonModel::advancedSeconds() const {
  if (!session_ || !inAdvancedTest(session_->stage()) || !advancedSince_.isValid()) return -1;
  return static_cast<double>(advancedSince_.msecsTo(card_silence::now())) / 1000.0;
}

bool StopButtonModel::asksFirst() const { return advancedSeconds() > askAfterSeconds; }

QString StopButtonModel::question() const { return questionText(std::max(0.0, advancedSeconds())); }

bool StopButtonModel::takenByPopup(QQuickItem* item) {
  if (item == nullptr || item->window() == nullptr) return false;
  // Every popup of a window, tooltips and menus included, stands in the window's overlay
  // while it is shown.
  bool taken = false;
  for (QQuickItem* layer : item->window()->contentItem()->childItems()) {
    if (!layer->inherits("QQuickOverlay")) continue;
    for (QQuickItem* shown : layer->childItems()) {
      if (!shown->isVisible()) continue;
      // A tooltip shows because the pointer rests on a control, often the Start button
      // just clicked; no one answers it. Qt lets a window's shortcuts past it, so it never
      // hears the key: the key puts it away and stops as well.
      QObject* popup = shown->parent();
      if (popup != nullptr && popup->inherits("QQuickToolTip")) {
        QMetaObject::invokeMethod(popup, "close");
        continue;
      }
      taken = true;
    }
  }
  return taken;
}

}  // namespace tessorin
