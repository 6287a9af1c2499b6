#pragma once
// ReturnKey: what Return (and Enter, on the keypad) does while a control has the keyboard's
// focus. A page binds Return to its default action with a window Shortcut, and Qt Quick
// tries a window's shortcuts before the focused item sees the key, unless that item claims
// the key first (by accepting the ShortcutOverride event). A control that chooses or opens
// something claims it here:
//
//     ItemDelegate { ReturnKey.use: ReturnKey.Press }   // Return presses it, as Space does
//     TextField { ReturnKey.use: ReturnKey.Own }         // Return is the field's own key
//
// `Press` hands the control Space in Return's place, so it is pressed, clicked or toggled
// exactly as by Space. `Own` leaves the key to the control's own handling (a text field's
// accepted, a list's, a picker's); in a popup (a sheet, a question) such a control claims
// nothing, so that Return there still presses the popup's default button, as in any
// desktop dialog. Any other control (`PageDefault`, the default) leaves Return to the page.
// Return with Control, Alt or Meta is never claimed. Main thread only.

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class ReturnKey : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("ReturnKey is only used as an attached property.")
  QML_ATTACHED(ReturnKey)
  Q_PROPERTY(Use use READ use WRITE setUse NOTIFY useChanged)

 public:
  enum Use { PageDefault, Press, Own };
  Q_ENUM(Use)

  explicit ReturnKey(QObject* attachee);

  static ReturnKey* qmlAttachedProperties(QObject* attachee) { return new ReturnKey(attachee); }

  Use use() const { return use_; }
  void setUse(Use use);

  // Whether the control takes a Return or Enter pressed with `modifiers` away from the
  // window's shortcuts where it stands now.
  bool claims(Qt::KeyboardModifiers modifiers) const;

 Q_SIGNALS:
  void useChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QQuickItem> attachee_;
  Use use_ = PageDefault;
};

}  // namespace tessorin
