#include "shell/core/AppDelegate.hpp"

#include <algorithm>

#include <QCoreApplication>

namespace tessorin {

AppDelegate::AppDelegate(std::function<void()> quit, QObject* parent) : QObject(parent), quit_(std::move(quit)) {
  if (!quit_) quit_ = [] { QCoreApplication::quit(); };
}

void AppDelegate::setModel(AppModel* model) { model_ = model; }

bool AppDelegate::isBusy() const {
  if (!model_) return false;
  if (model_->eraseJob()->running()) return true;
  const std::vector<CardSession*>& sessions = model_->sessions();
  return std::any_of(sessions.begin(), sessions.end(), [](const CardSession* s) { return s->stage().isBusy(); });
}

AppDelegate::Reply AppDelegate::shouldTerminate() {
  if (quitAlertShown_ || terminationPending_) return Reply::later;
  if (!isBusy()) return Reply::now;
  setQuitAlertShown(true);
  return Reply::later;
}

void AppDelegate::requestQuit() {
  if (shouldTerminate() == Reply::now) quit_();
}

void AppDelegate::keepTesting() { setQuitAlertShown(false); }

void AppDelegate::quitAnyway() {
  if (!quitAlertShown_) return;
  setQuitAlertShown(false);
  stopAllThenQuit();
}

void AppDelegate::terminateFromSystem() {
  setQuitAlertShown(false);
  if (terminationPending_) return;
  if (!isBusy()) {
    setTerminationPending(true);
    quit_();
    return;
  }
  stopAllThenQuit();
}

QCoro::Task<> AppDelegate::stopAllThenQuit() {
  if (terminationPending_) co_return;
  setTerminationPending(true);
  QPointer<AppDelegate> self(this);
  if (QPointer<AppModel> model = model_) {
    QCoro::Task<> stopping = model->stopAllAndWait();
    co_await stopping;
  }
  if (self) self->quit_();
}

void AppDelegate::setQuitAlertShown(bool shown) {
  if (quitAlertShown_ == shown) return;
  quitAlertShown_ = shown;
  Q_EMIT quitAlertShownChanged();
}

void AppDelegate::setTerminationPending(bool pending) {
  if (terminationPending_ == pending) return;
  terminationPending_ = pending;
  Q_EMIT terminationPendingChanged();
}

}  // namespace tessorin
