#pragma once
// ProgressWording: the fixed texts of the progress displays' small views that compute
// nothing (the Stop button, the reinsertion toggle, the map's legend, the probe strip's
// key and the chart's key and axes), kept in C++ so that they are translated and read by
// tests in one place. QML reads it as the singleton `ProgressWording`.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class ProgressWording : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  Q_PROPERTY(QString stop READ stop CONSTANT)
  Q_PROPERTY(QString reinsertToggle READ reinsertToggle CONSTANT)
  Q_PROPERTY(QString reinsertHelp READ reinsertHelp CONSTANT)
  // "Not yet", "Written", "Good", "Partly bad", "Bad".
  Q_PROPERTY(QStringList mapLegend READ mapLegend CONSTANT)
  Q_PROPERTY(QString mapAccessibleName READ mapAccessibleName CONSTANT)
  // "Not yet", "Written", "Good", "Bad".
  Q_PROPERTY(QStringList probeKey READ probeKey CONSTANT)
  Q_PROPERTY(QString chartWrite READ chartWrite CONSTANT)
  Q_PROPERTY(QString chartRead READ chartRead CONSTANT)
  Q_PROPERTY(QString chartSpeedAxis READ chartSpeedAxis CONSTANT)

 public:
  using QObject::QObject;

  static QString stop();
  static QString reinsertToggle();
  static QString reinsertHelp();
  static QStringList mapLegend();
  static QString mapAccessibleName();
  // The map's and the speed chart's headings, which name a USB drive a drive.
  static QString mapTitle(bool isUSBDrive);
  static QString chartTitle(bool isUSBDrive);
  static QStringList probeKey();
  static QString chartWrite();
  static QString chartRead();
  // The position axis' unit for positions counted in units of that many bytes (10^6,
  // 10^9 or 10^12).
  static QString chartPositionAxis(double unitBytes);
  static QString chartSpeedAxis();
};

}  // namespace tessorin
