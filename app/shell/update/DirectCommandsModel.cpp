#include "shell/update/DirectCommandsModel.hpp"

#include <QCoreApplication>

namespace tessorin {

DirectCommandsModel::DirectCommandsModel(QObject* parent) : QObject(parent) {}

void DirectCommandsModel::setUpdater(Updater* updater) {
  if (updater_ == updater) return;
  if (updater_) disconnect(updater_, nullptr, this, nullptr);
  const bool wasEnabled = enabled();
  updater_ = updater;
  if (updater_) connect(updater_, &Updater::canCheckChanged, this, &DirectCommandsModel::enabledChanged);
  Q_EMIT updaterChanged();
  if (enabled() != wasEnabled) Q_EMIT enabledChanged();
}

QString DirectCommandsModel::title() const {
  return QCoreApplication::translate("Direct", "Check for Updates…");
}

void DirectCommandsModel::trigger() {
  if (!updater_) return;
  if (UpdateChecker* checker = updater_->checker()) checker->checkForUpdates();
}

}  // namespace tessorin
