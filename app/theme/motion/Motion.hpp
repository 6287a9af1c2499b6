#pragma once
// Motion: every animation's duration goes through here, so still pictures (the gallery)
// can turn all motion off before the first view loads: durations become 0 and endless
// animations (the sweep over a card being checked) stop at a fixed middle frame. QML
// reads it as the singleton `Motion`:
//
//     Behavior on scale { NumberAnimation { duration: Motion.duration(250) } }
//     NumberAnimation on phase { running: Motion.enabled && root.scanning && OnScreen.shown; ... }
//
// An endless animation also asks OnScreen (OnScreen.hpp) whether it can be seen.
//
// setEnabled is called on the main thread before any engine is created.

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class Motion : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  Q_PROPERTY(bool enabled READ enabled CONSTANT)

 public:
  using QObject::QObject;

  static void setEnabled(bool enabled);
  static bool enabled();
  // The duration in milliseconds, or 0 while motion is off.
  Q_INVOKABLE int duration(int milliseconds) const;
};

}  // namespace tessorin
