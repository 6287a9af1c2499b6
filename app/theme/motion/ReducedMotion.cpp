#include "theme/motion/ReducedMotion.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QThreadPool>

#include "session/records/PlainFile.hpp"

namespace tessorin {

ReducedMotion& ReducedMotion::instance() {
  static auto* made = new ReducedMotion(QCoreApplication::instance());
  return *made;
}

void ReducedMotion::setRequested(bool requested) {
  if (requested == requested_) return;
  requested_ = requested;
  Q_EMIT changed();
}

void ReducedMotion::readFromDesktop() {
  QThreadPool::globalInstance()->start([] {
    const bool still = gnomeAsksForStillness() || kdeAsksForStillness();
    QMetaObject::invokeMethod(&instance(), [still] { instance().setRequested(still); }, Qt::QueuedConnection);
  });
}

bool ReducedMotion::gnomeAsksForStillness() {
  const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
  if (gsettings.isEmpty()) return false;
  QProcess process;
  process.start(gsettings, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                            QStringLiteral("enable-animations")});
  // Without the schema (no GNOME settings installed) gsettings says so and exits non-zero.
  if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    return false;
  }
  return process.readAllStandardOutput().trimmed() == "false";
}

bool ReducedMotion::kdeAsksForStillness() {
  // The user's file first: the first one that says anything decides.
  for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
    const QString path = QDir(folder).filePath(QStringLiteral("kdeglobals"));
    // Only a regular file is read: QSettings' blocking open of a FIFO in its place would
    // hold this thread, and the application's quit with it.
    if (PlainFile::kindAt(path) != PlainFile::Kind::regular) continue;
    QSettings file(path, QSettings::IniFormat);
    if (file.contains(QStringLiteral("KDE/AnimationDurationFactor"))) return kdeGlobalsAskForStillness(path);
  }
  return false;
}

bool ReducedMotion::kdeGlobalsAskForStillness(const QString& path) {
  const QSettings file(path, QSettings::IniFormat);
  bool isNumber = false;
  const double factor = file.value(QStringLiteral("KDE/AnimationDurationFactor")).toDouble(&isNumber);
  return isNumber && factor <= 0;
}

}  // namespace tessorin
