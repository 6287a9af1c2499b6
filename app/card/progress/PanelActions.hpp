#pragma once
// PanelActions: what the buttons of the progress, decision and reinsertion panels do to
// the card's session. Each action confirms it runs on the main thread (a warning
// otherwise: the session lives there) and then calls the session; none looks at the
// stage, since what stopping means in each stage is the session's decision. Ejecting
// runs as the session's own coroutine, so a view never holds a running task. QML reads it
// as the singleton `PanelActions`. A call from another thread is warned about and carried
// over to the main thread before it reaches the session.

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class CardSession;

class PanelActions : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON

 public:
  using QObject::QObject;

  // "Stop" of the quick-check, advanced-test and reinsertion panels.
  Q_INVOKABLE static void stop(QObject* session);
  // "Finish Here" of the decision panel: the same operation as stop.
  Q_INVOKABLE static void finishHere(QObject* session);
  // "Confirm With Advanced Test".
  Q_INVOKABLE static void confirmWithAdvancedTest(QObject* session);
  // "Check Without Removing".
  Q_INVOKABLE static void checkWithoutRemoving(QObject* session);
  // "Eject Card": ejects the volume the session names at the moment of the press.
  Q_INVOKABLE static void eject(QObject* session);

  // Whether the caller is on the main thread; warns when it is not.
  static bool onMainThread(const char* action);
};

}  // namespace tessorin
