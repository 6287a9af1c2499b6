#include "theme/SoftwareRasteriser.hpp"

#include <atomic>

#include <QByteArray>
#include <QQuickWindow>
#include <QtGlobal>

namespace tessorin {

namespace {

const char* const threadsVariable = "LP_NUM_THREADS";
// Set by this program rather than by the user; changed on the main thread only.
std::atomic<bool> setHere = false;

}  // namespace

void spareTheSoftwareRasteriser() {
  if (qEnvironmentVariableIsSet(threadsVariable)) return;
  qputenv(threadsVariable, QByteArrayLiteral("2"));
  setHere = true;
}

void keepTheSoftwareRasteriserSettingToThisProgram(QQuickWindow& window) {
  if (!setHere) return;
  // frameSwapped comes from the render thread; the environment is changed on the main thread.
  QObject::connect(
      &window, &QQuickWindow::frameSwapped, &window,
      [] {
        if (!setHere) return;
        qunsetenv(threadsVariable);
        setHere = false;
      },
      static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
}

QProcessEnvironment environmentForStartedPrograms() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  if (setHere) environment.remove(QString::fromLatin1(threadsVariable));
  return environment;
}

}  // namespace tessorin
