#include "card/progress/ProgressWording.hpp"

#include <QCoreApplication>

namespace tessorin {

QString ProgressWording::stop() { return tr("Stop"); }

QString ProgressWording::reinsertToggle() {
  return tr("When writing ends, ask me to take the card out and put it back");
}

QString ProgressWording::reinsertHelp() {
  return tr("Some fake cards keep the last data they received in a small temporary memory and fool the check. "
            "Taking the card out clears that memory. You need to be nearby when writing ends.");
}

QStringList ProgressWording::mapLegend() {
  return {tr("Not yet"), tr("Written"), tr("Good"), tr("Partly bad"), tr("Bad")};
}

QString ProgressWording::mapAccessibleName() { return tr("Card map"); }
QString ProgressWording::mapTitle(bool isUSBDrive) { return isUSBDrive ? tr("Drive map") : tr("Card map"); }
QString ProgressWording::chartTitle(bool isUSBDrive) {
  return isUSBDrive ? tr("Speed across the drive") : tr("Speed across the card");
}

QStringList ProgressWording::probeKey() { return {tr("Not yet"), tr("Written"), tr("Good"), tr("Bad")}; }

QString ProgressWording::chartWrite() { return tr("Write"); }
QString ProgressWording::chartRead() { return tr("Read"); }
QString ProgressWording::chartPositionAxis(double unitBytes) {
  if (unitBytes >= 1e12) return tr("TB");
  if (unitBytes >= 1e9) return tr("GB");
  return tr("MB");
}
QString ProgressWording::chartSpeedAxis() { return tr("MB/s"); }

}  // namespace tessorin
