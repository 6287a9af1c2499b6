#pragma once
// DialogButtonOrder: where a dialog's button stands in its row, from the role it has in a
// dialog (the values of QML's DialogButtonBox.buttonRole) and whether it is the dialog's
// default button. One order for every dialog, as this desktop reads it: help and auxiliary
// buttons at the leading end, apart from the rest; then further actions, Cancel, the
// affirmative answer, and the default button last, at the trailing end. QML reads it as the
// singleton `DialogButtonOrder`; DialogFrame.qml places its buttons with it.

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class DialogButtonOrder : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON

 public:
  // QML's DialogButtonBox.ButtonRole, by value.
  enum class Role { invalid = -1, accept, reject, destructive, action, help, yes, no, reset, apply };

  using QObject::QObject;

  // Smaller stands further to the leading end; buttons of one rank keep their written order.
  static int rankOf(Role role, bool isDefault);
  // Help and auxiliary buttons stand at the leading end, a flexible space after them.
  static bool isLeading(Role role) { return role == Role::help || role == Role::reset; }

  Q_INVOKABLE int rank(int role, bool isDefault) const { return rankOf(static_cast<Role>(role), isDefault); }
  Q_INVOKABLE bool leading(int role) const { return isLeading(static_cast<Role>(role)); }
};

}  // namespace tessorin
