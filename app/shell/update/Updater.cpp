#include "shell/update/Updater.hpp"

#include <QCoreApplication>
#include <QJSEngine>
#include <QPointer>

#include "shell/update/feed/SafeUpdateUrl.hpp"

namespace tessorin {

namespace {

bool usable(const UpdateConfiguration& configuration) {
  return UpdatePublicKey::fromBase64(configuration.publicKey) && isSafeUpdateUrl(configuration.feedUrl) &&
         AppVersion::parse(configuration.runningVersion);
}

}  // namespace

Updater::Updater(UpdateConfiguration configuration, QObject* parent)
    : QObject(parent), configuration_(std::move(configuration)), isConfigured_(usable(configuration_)) {}

Updater& Updater::shared() {
  // Never destroyed: it must outlive every QML engine and the application object.
  static Updater* const instance = new Updater(UpdateConfiguration::builtIn());
  return *instance;
}

Updater* Updater::create(QQmlEngine*, QJSEngine*) {
  Updater* updater = &shared();
  QJSEngine::setObjectOwnership(updater, QJSEngine::CppOwnership);
  return updater;
}

void Updater::start() {
  if (checker_ || !isConfigured_) return;
  checker_ = new UpdateChecker(*UpdatePublicKey::fromBase64(configuration_.publicKey), configuration_.feedUrl,
                               *AppVersion::parse(configuration_.runningVersion), configuration_.timeout, this);
  connect(checker_, &UpdateChecker::canCheckForUpdatesChanged, this, &Updater::observe);
  observe(checker_->canCheckForUpdates());
  Q_EMIT checkerChanged();
}

void Updater::observe(bool canCheckForUpdates) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [updater = QPointer<Updater>(this), canCheckForUpdates] {
        if (updater) updater->setCanCheck(canCheckForUpdates);
      },
      Qt::QueuedConnection);
}

void Updater::setCanCheck(bool canCheck) {
  if (canCheck_ == canCheck) return;
  canCheck_ = canCheck;
  Q_EMIT canCheckChanged();
}

}  // namespace tessorin
