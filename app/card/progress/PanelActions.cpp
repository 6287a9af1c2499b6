#include "card/progress/PanelActions.hpp"

#include <QCoreApplication>
#include <QThread>
#include <QtDebug>

#include "session/check/CardSession.hpp"

namespace tessorin {

namespace {

template <class Operation>
void perform(const char* action, QObject* object, Operation operation) {
  auto* session = qobject_cast<CardSession*>(object);
  if (!session) return;
  if (PanelActions::onMainThread(action)) return operation(*session);
  // The session's state is the main thread's alone: the call is carried there.
  QMetaObject::invokeMethod(session, [session, operation] { operation(*session); }, Qt::QueuedConnection);
}

}  // namespace

bool PanelActions::onMainThread(const char* action) {
  const QCoreApplication* application = QCoreApplication::instance();
  if (application && QThread::currentThread() == application->thread()) return true;
  qWarning("PanelActions::%s called off the main thread; passed on to it", action);
  return false;
}

void PanelActions::stop(QObject* session) {
  perform("stop", session, [](CardSession& s) { s.stop(); });
}

void PanelActions::finishHere(QObject* session) {
  perform("finishHere", session, [](CardSession& s) { s.stop(); });
}

void PanelActions::confirmWithAdvancedTest(QObject* session) {
  perform("confirmWithAdvancedTest", session, [](CardSession& s) { s.startAdvancedTest(); });
}

void PanelActions::checkWithoutRemoving(QObject* session) {
  perform("checkWithoutRemoving", session, [](CardSession& s) { s.continueAfterReinsert(); });
}

void PanelActions::eject(QObject* session) {
  perform("eject", session, [](CardSession& s) { s.startEject(); });
}

}  // namespace tessorin
