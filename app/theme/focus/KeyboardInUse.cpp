#include "theme/focus/KeyboardInUse.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

namespace tessorin {

namespace {

bool keyboardLast = false;

bool modifierAlone(const QEvent* event) {
  switch (static_cast<const QKeyEvent*>(event)->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
      return true;
    default:
      return false;
  }
}

}  // namespace

KeyboardInUse::KeyboardInUse(QObject* parent) : QObject(parent) { watch(); }

void KeyboardInUse::watch() {
  static QPointer<KeyboardInUse> watcher;
  if (watcher || QCoreApplication::instance() == nullptr) return;
  watcher = new KeyboardInUse(Watcher{}, QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(watcher);
}

bool KeyboardInUse::now() { return keyboardLast; }

bool KeyboardInUse::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    // A window shortcut's key is seen only as the override offered to the focused item.
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
      // Holding Control to click is still a click.
      if (!modifierAlone(event)) keyboardLast = true;
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
      keyboardLast = false;
      break;
    default:
      break;
  }
  return false;
}

}  // namespace tessorin
