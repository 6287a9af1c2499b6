#include "theme/keyboard/ReturnKey.hpp"

#include <QCoreApplication>
#include <QKeyEvent>

namespace tessorin {

namespace {

bool isReturn(const QEvent* event) {
  const int key = static_cast<const QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool insidePopup(const QQuickItem* item) {
  for (const QQuickItem* outer = item->parentItem(); outer != nullptr; outer = outer->parentItem()) {
    if (outer->inherits("QQuickPopupItem")) return true;
  }
  return false;
}

}  // namespace

ReturnKey::ReturnKey(QObject* attachee) : QObject(attachee), attachee_(qobject_cast<QQuickItem*>(attachee)) {
  if (attachee_) attachee_->installEventFilter(this);
}

void ReturnKey::setUse(Use use) {
  if (use == use_) return;
  use_ = use;
  Q_EMIT useChanged();
}

bool ReturnKey::claims(Qt::KeyboardModifiers modifiers) const {
  if (!attachee_ || use_ == PageDefault) return false;
  // Shift+Return is still Return to a button or a field; a chord with Control, Alt or Meta
  // is some other shortcut's.
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  return use_ == Press || !insidePopup(attachee_);
}

bool ReturnKey::eventFilter(QObject* watched, QEvent* event) {
  if (watched != attachee_) return false;
  const QEvent::Type type = event->type();
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  if (!isReturn(event)) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (!claims(key->modifiers())) return false;
  if (type == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  if (use_ != Press) return false;
  // Space with the same press, release and repeat: whatever the control does on Space,
  // its pressed look included, it does on Return.
  QKeyEvent space(type, Qt::Key_Space, key->modifiers() & ~Qt::KeypadModifier, QStringLiteral(" "), key->isAutoRepeat(),
                  key->count());
  QCoreApplication::sendEvent(attachee_, &space);
  event->setAccepted(space.isAccepted());
  return true;
}

}  // namespace tessorin
