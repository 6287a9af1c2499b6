#pragma once
// Return held down on a window, as the X server sends it: the press, then the system's
// repeats (each a release and a press, both marked as repeats), then the release. Each
// press is tried as a shortcut first, as the system's keys are; one a shortcut took goes no
// further. The caller turns the loop between repeats, so the page may change under the key
// as it does for a user.

#include <QString>
#include <QTest>
#include <QWindow>

namespace tessorin::testing {

class HeldReturn {
 public:
  explicit HeldReturn(QWindow* window) : window_(window) { send(true, false); }
  HeldReturn(const HeldReturn&) = delete;
  HeldReturn& operator=(const HeldReturn&) = delete;
  ~HeldReturn() { release(); }

  void repeat() {
    send(false, true);
    send(true, true);
  }
  void release() {
    if (released_) return;
    released_ = true;
    send(false, false);
  }

 private:
  void send(bool press, bool repeat) {
    const QString text = QStringLiteral("\r");
    static ulong timestamp = 0;
    if (press && qt_sendShortcutOverrideEvent(window_, ++timestamp, Qt::Key_Return, Qt::NoModifier, text, repeat)) return;
    QTest::simulateEvent(window_, press, Qt::Key_Return, Qt::NoModifier, text, repeat);
  }

  QWindow* window_;
  bool released_ = false;
};

}  // namespace tessorin::testing
