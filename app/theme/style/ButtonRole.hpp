#pragma once
// ButtonRole: what a button is for, which decides how the house's style draws it. A view
// sets it only where the style cannot tell by itself; otherwise a button in a dialog's
// button box with the destructive role is destructive, a highlighted button prominent (a
// dialog's default button), a flat one plain, and any other bordered:
//
//     import Tessorin.Theme.Style as Style
//     Button { text: …; Style.ButtonRole.role: Style.ButtonRole.Link }
//
// Main thread only, like every QML object.

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class ButtonRoleAttached : public QObject {
  Q_OBJECT
  QML_ANONYMOUS
  Q_PROPERTY(int role READ role WRITE setRole NOTIFY roleChanged)

 public:
  using QObject::QObject;
  int role() const { return role_; }
  void setRole(int role);

 Q_SIGNALS:
  void roleChanged();

 private:
  int role_ = 0;
};

class ButtonRole : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("ButtonRole is set as an attached property of a button")
  QML_ATTACHED(tessorin::ButtonRoleAttached)

 public:
  enum Role { Automatic, Prominent, Bordered, Destructive, Link, Plain };
  Q_ENUM(Role)

  static ButtonRoleAttached* qmlAttachedProperties(QObject* button) { return new ButtonRoleAttached(button); }
};

}  // namespace tessorin
