#pragma once
// DisplayFormatSingleton: DisplayFormat for QML, as the singleton `DisplayFormat` of
// Tessorin.Theme. QML numbers are doubles, so byte counts arrive as doubles and pass the
// same saturating guard as every other conversion (exact up to 2^53 bytes, 9 PB).
// Presenters call DisplayFormat directly; this is for views that show a value they hold.
// Main thread, like every QML object.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class DisplayFormatSingleton : public QObject {
  Q_OBJECT
  QML_NAMED_ELEMENT(DisplayFormat)
  QML_SINGLETON
  Q_PROPERTY(QString missing READ missing CONSTANT)

 public:
  using QObject::QObject;

  QString missing() const;
  Q_INVOKABLE QString byteCountText(double bytes) const;
  Q_INVOKABLE QString formatCapacity(double bytes) const;
  // "" when the capacity matches no advertised size.
  Q_INVOKABLE QString advertisedSizeLabel(double bytes) const;
  Q_INVOKABLE QString formatSpeed(double bytesPerSecond) const;
  Q_INVOKABLE QString speedOrMissing(double bytesPerSecond) const;
  Q_INVOKABLE QString formatProductionDate(int year, int month) const;
  Q_INVOKABLE QString roundedSizeText(double bytes) const;
  Q_INVOKABLE QString durationText(double seconds) const;
  Q_INVOKABLE QString percentText(double fraction) const;
  Q_INVOKABLE QString operationsPerSecondText(double operationsPerSecond) const;
};

}  // namespace tessorin
