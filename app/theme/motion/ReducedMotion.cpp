#include "theme/motion/ReducedMotion.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThreadPool>

#include "session/records/IniText.hpp"
#include "session/records/PlainFile.hpp"
#include "session/records/WorkingFolder.hpp"
#include "theme/SoftwareRasteriser.hpp"

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
  process.setProcessEnvironment(environmentForStartedPrograms());
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
    if (const std::optional<bool> still = kdeGlobalsAskForStillness(QDir(folder).filePath(QStringLiteral("kdeglobals")))) {
      return *still;
    }
  }
  return false;
}

std::optional<bool> ReducedMotion::kdeGlobalsAskForStillness(const QString& path) {
  // Read from the descriptor that was judged a regular file: QSettings' own blocking open
  // of the name, with a FIFO put there meanwhile, would hold this thread, and the
  // application's quit with it.
  constexpr qint64 largestKdeGlobals = 4 * 1024 * 1024;
  const std::optional<QByteArray> text = PlainFile::open(path).readWhole(largestKdeGlobals);
  if (!text) return std::nullopt;
  const std::unique_ptr<WorkingFolder> folder =
      WorkingFolder::makeIn(WorkingFolder::placesBeside(QFileInfo(path).absolutePath()));
  const std::optional<IniReading> reading = folder ? readIni(*text, *folder) : std::nullopt;
  if (!reading) return std::nullopt;
  const QVariant factor = reading->values.value(QStringLiteral("KDE/AnimationDurationFactor"));
  if (!factor.isValid()) return std::nullopt;
  bool isNumber = false;
  const double value = factor.toDouble(&isNumber);
  return isNumber && value <= 0;
}

}  // namespace tessorin
