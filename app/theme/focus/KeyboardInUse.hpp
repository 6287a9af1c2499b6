#pragma once
// KeyboardInUse: whether the user's last input was a key rather than a click or a touch.
// Where the application moves the focus for the user (a page replaced under it, a menu
// opened), it shows the focus ring only for a keyboard user, as Qt shows it only for a
// focus the keyboard gave. One filter on the whole application watches the input, as it
// goes to any window or item: a key that a window shortcut takes (Return on a page) never
// reaches the window itself. In QML, a singleton: `KeyboardInUse.lastInputWasAKey()`. Main thread only.

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class KeyboardInUse : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON

 public:
  // The QML singleton; it starts the watch.
  explicit KeyboardInUse(QObject* parent = nullptr);

  // Starts watching, once, on the application object that exists now.
  static void watch();
  // Whether a key came after the last click or touch; false before any input.
  static bool now();
  Q_INVOKABLE bool lastInputWasAKey() const { return now(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Watcher {};
  KeyboardInUse(Watcher, QObject* parent) : QObject(parent) {}
};

}  // namespace tessorin
