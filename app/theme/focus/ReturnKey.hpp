#pragma once
// ReturnKey: Return (and Enter, on the keypad) acts where the keyboard's focus is, as in
// Qt's own dialogs. A button of any kind (a push button, a check box, a switch, a sidebar
// row, a disclosure, a menu's item or title) that shows its focus ring is pressed as by
// Space; a text field and a picker keep Return as their own. With the focus on no control,
// or on a button a click focused (it shows no ring, so nothing looks focused), Return is
// left to the page: its window Shortcut runs the page's default action, and a sheet's or a
// question's presses its default button. A field inside a sheet or question leaves Return
// to that default button too, as a text field in any desktop dialog does, unless it is a
// picker whose list is open.
//
// A button that ends work the user would lose, Stop, is pressed by Space and a click only:
// it says so with `ignoresReturn: true`, and Return passes it by to the page, as Return
// never presses a desktop dialog's Cancel. The focus may rest on it, with its ring, and a
// Return meant for the control before it (often held a little long) cannot end a check.
//
// A held Return acts once. Its repeats press nothing, and reach no shortcut of the page:
// the first press has often just moved the focus (a check started hands it to Stop, a
// sheet's default button closes the sheet), and a repeat would act on whatever came there.
// Only a field or a picker that kept the focus since the press takes them, as its own keys.
// The release, too, acts only where the press did.
//
// Qt Quick tries a window's shortcuts before the focused item sees a key, unless that item
// claims the key first by accepting the ShortcutOverride event. One filter on the whole
// application claims it for the focused control, so no control of any view can be left
// out; the house style installs it (useHouseStyle). Return with Control, Alt or Meta is
// never claimed. Main thread only.

#include <QObject>
#include <QPointer>
#include <QQuickItem>

class QKeyEvent;
class QQuickWindow;

namespace tessorin {

class ReturnKey : public QObject {
  Q_OBJECT

 public:
  enum class Use {
    Page,   // left to the window's shortcuts: the page's or the dialog's default action
    Press,  // the control is pressed, as by Space
    Own,    // the control's own handling (a field, a picker)
  };

  // What Return, pressed with `modifiers`, does while `focused` has the keyboard's focus.
  static Use useFor(const QQuickItem* focused, Qt::KeyboardModifiers modifiers);

  // Makes Return act where the focus is in every window of the application: now, or when
  // the application object is made. Calling it again does nothing more.
  static void actWhereTheFocusIs();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using QObject::QObject;
  static void install();
  // Whether a held Return's repeat, or the release, is kept from the window.
  bool heldTooLong(QQuickWindow* window, const QKeyEvent* key);

  // Where the focus was when Return went down: the focused item, or the window itself.
  QPointer<QObject> pressedOn_;
};

}  // namespace tessorin
