#include "theme/focus/ReturnKey.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QQuickWindow>

#include "theme/focus/FocusStops.hpp"

namespace tessorin {

namespace {

bool isReturn(const QEvent* event) {
  const int key = static_cast<const QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool insidePopup(const QQuickItem* item) { return focus::popupItemAround(item) != nullptr; }

bool listOpen(const QQuickItem* picker) {
  const auto* list = picker->property("popup").value<QObject*>();
  return list != nullptr && list->property("visible").toBool();
}

}  // namespace

ReturnKey::Use ReturnKey::useFor(const QQuickItem* focused, Qt::KeyboardModifiers modifiers) {
  // Shift+Return is still Return to a button or a field; a chord with Control, Alt or Meta
  // is some other shortcut's.
  if (focused == nullptr || (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) return Use::Page;
  if (focused->inherits("QQuickAbstractButton")) {
    if (focused->property("ignoresReturn").toBool()) return Use::Page;
    // Qt shows the ring only for a focus the keyboard gave.
    return focus::showsRing(focused) ? Use::Press : Use::Page;
  }
  if (focused->inherits("QQuickComboBox")) return listOpen(focused) || !insidePopup(focused) ? Use::Own : Use::Page;
  if (focused->inherits("QQuickTextInput") || focused->inherits("QQuickTextEdit")) {
    return insidePopup(focused) ? Use::Page : Use::Own;
  }
  return Use::Page;
}

void ReturnKey::actWhereTheFocusIs() {
  // A pre-routine runs at once when the application object exists, else as it is made:
  // the style is chosen before it, in the tests.
  static const bool added = (qAddPreRoutine(&ReturnKey::install), true);
  (void)added;
}

void ReturnKey::install() {
  QCoreApplication* application = QCoreApplication::instance();
  application->installEventFilter(new ReturnKey(application));
}

bool ReturnKey::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  if (!isReturn(event)) return false;
  // A window sees each key before the item its focus is on.
  if (auto* window = qobject_cast<QQuickWindow*>(watched)) {
    if (!heldTooLong(window, static_cast<QKeyEvent*>(event))) return false;
    // Accepted, an override lets no shortcut run; the key itself is kept from every item.
    event->accept();
    return true;
  }
  auto* item = qobject_cast<QQuickItem*>(watched);
  // A key the focused item did not take goes on to the items around it: only the focused
  // one decides.
  if (item == nullptr || item->window() == nullptr || item->window()->activeFocusItem() != item) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const Use use = useFor(item, key->modifiers());
  if (use == Use::Page) return false;
  if (type == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  if (use == Use::Own) return false;
  // Space with the same press and release: whatever the control does on Space, its pressed
  // look included, it does on Return.
  QKeyEvent space(type, Qt::Key_Space, key->modifiers() & ~Qt::KeypadModifier, QStringLiteral(" "), key->isAutoRepeat(),
                  key->count());
  QCoreApplication::sendEvent(item, &space);
  event->setAccepted(space.isAccepted());
  return true;
}

bool ReturnKey::heldTooLong(QQuickWindow* window, const QKeyEvent* key) {
  QQuickItem* focused = window->activeFocusItem();
  QObject* focus = focused != nullptr ? static_cast<QObject*>(focused) : window;
  if (key->type() != QEvent::KeyRelease && !key->isAutoRepeat()) {
    pressedOn_ = focus;
    return false;
  }
  const bool focusStayed = !pressedOn_.isNull() && pressedOn_ == focus;
  if (key->isAutoRepeat()) return !focusStayed || focused == nullptr || useFor(focused, key->modifiers()) != Use::Own;
  // The release of a press this window never saw (given to another window, or to another
  // program) acts on nothing either.
  pressedOn_.clear();
  return !focusStayed;
}

}  // namespace tessorin
