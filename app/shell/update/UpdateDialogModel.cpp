#include "shell/update/UpdateDialogModel.hpp"

#include <QCoreApplication>
#include <QDesktopServices>

namespace tessorin {

namespace {

using Phase = UpdateCheck::Phase;

QString direct(const char* text) { return QCoreApplication::translate("Direct", text); }

}  // namespace

UpdateDialogModel::UpdateDialogModel(QObject* parent) : QObject(parent) {}

void UpdateDialogModel::setChecker(UpdateChecker* checker) {
  if (checker_ == checker) return;
  if (checker_) disconnect(checker_, nullptr, this, nullptr);
  checker_ = checker;
  if (checker_) connect(checker_, &UpdateChecker::checkChanged, this, &UpdateDialogModel::changed);
  Q_EMIT checkerChanged();
  Q_EMIT changed();
}

const UpdateCheck* UpdateDialogModel::check() const {
  return checker_ && checker_->check() ? &*checker_->check() : nullptr;
}

bool UpdateDialogModel::checking() const {
  const UpdateCheck* check = this->check();
  return check && check->phase == Phase::checking;
}

QString UpdateDialogModel::title() const {
  const UpdateCheck* check = this->check();
  if (!check) return {};
  switch (check->phase) {
    case Phase::checking: return direct("Checking for updates…");
    case Phase::upToDate: return direct("You’re up to date");
    case Phase::available: return direct("A new version of Tessorin is available");
    case Phase::failed: return direct("Couldn’t check for updates");
  }
  return {};
}

QString UpdateDialogModel::message() const {
  const UpdateCheck* check = this->check();
  if (!check) return {};
  switch (check->phase) {
    case Phase::checking: return {};
    case Phase::upToDate: return direct("Tessorin %1 is the newest version.").arg(check->runningVersion);
    case Phase::available:
      return direct("Tessorin %1 is available. You have %2.").arg(check->feed->version.text(), check->runningVersion);
    case Phase::failed: return failureText(*check->failure, check->status);
  }
  return {};
}

QString UpdateDialogModel::notes() const {
  const UpdateCheck* check = this->check();
  return check && check->feed ? check->feed->notes : QString();
}

QString UpdateDialogModel::acceptTitle() const {
  const UpdateCheck* check = this->check();
  if (!check || check->phase == Phase::checking) return {};
  return check->phase == Phase::available ? direct("Open Download Page") : direct("OK");
}

QString UpdateDialogModel::rejectTitle() const {
  const UpdateCheck* check = this->check();
  if (!check) return {};
  if (check->phase == Phase::checking) return direct("Cancel");
  if (check->phase == Phase::available) return direct("Later");
  return {};
}

void UpdateDialogModel::accept() {
  const UpdateCheck* check = this->check();
  if (!check || check->phase == Phase::checking) return;
  const QUrl page = check->feed ? check->feed->url : QUrl();
  checker_->dismiss();
  if (!page.isEmpty()) QDesktopServices::openUrl(page);
}

void UpdateDialogModel::reject() {
  if (checker_) checker_->dismiss();
}

}  // namespace tessorin
