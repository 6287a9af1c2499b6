#include "session/system/UserAttention.hpp"

#include <QGuiApplication>
#include <QWindow>

namespace tessorin {

namespace {
// Long enough to be noticed, short enough not to nag about good news.
constexpr int informationalAlertMilliseconds = 3000;

QWindow* mainWindow() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  const QWindowList windows = QGuiApplication::topLevelWindows();
  for (QWindow* window : windows) {
    if (window->objectName() == QStringLiteral("main")) return window;
  }
  return windows.isEmpty() ? nullptr : windows.front();
}
}  // namespace

void UserAttention::request(Kind kind) {
  QWindow* window = mainWindow();
  if (window == nullptr) return;
  window->alert(kind == Kind::critical ? 0 : informationalAlertMilliseconds);
}

}  // namespace tessorin
