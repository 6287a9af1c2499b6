#pragma once
// The window on an X server with a window manager (openbox, started once for the run),
// shown and active over a model of one slow card whose page is shown, with what a user
// does to it: clicking what it shows, opening a menu from the menu bar, starting a check,
// moving the keyboard's focus with Tab and seeing where it is.

#include <QElapsedTimer>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <memory>
#include <vector>

#include "CounterfeitCard.hpp"
#include "ShellWorld.hpp"
#include "window/ShownWindow.hpp"

namespace tessorin::testing {

using namespace std::chrono_literals;

// The window manager of this X server, started once for the run.
inline void startWindowManager() {
  static QProcess* manager = [] {
    auto* process = new QProcess;
    process->start(QStringLiteral("openbox"), {});
    process->waitForStarted();
    // Up once it has named itself on the root window.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10'000) {
      QProcess probe;
      probe.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
      probe.waitForFinished();
      if (probe.readAllStandardOutput().contains("window id")) break;
      QThread::msleep(100);
    }
    return process;
  }();
  (void)manager;
}

inline QPoint centreOf(QObject* object) {
  auto* item = qobject_cast<QQuickItem*>(object);
  return item ? item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint() : QPoint(-1, -1);
}

// The focus ring drawn inside `item` (the shared controls' FocusRing), or null.
inline QQuickItem* ringOf(QQuickItem* item) {
  for (QQuickItem* child : item->childItems()) {
    if (child->objectName() == QLatin1String("focusRing")) return child;
    if (QQuickItem* found = ringOf(child)) return found;
  }
  return nullptr;
}

// A card slow enough that its check runs for the whole test.
inline std::unique_ptr<CounterfeitCard> slowCard() {
  return CounterfeitCard::make({.claimed = 512 * sessionMiB, .writeBytesPerSecond = 30 * sessionMiB});
}

// The window shown and active on the desktop, over a model of one slow card, whose page
// is shown.
struct CardWindow {
  // Before the window: a window mapped before its manager runs is never given the focus.
  bool managed = (startWindowManager(), true);
  std::unique_ptr<CounterfeitCard> medium = slowCard();
  CardDevice device = deviceFor(medium->mountPoint(), medium->loopDevice(), 512 * sessionMiB);
  // The cards each scan finds: plug() and pull() change them and scan as the system's
  // watch would.
  std::shared_ptr<std::vector<CardDevice>> plugged = std::make_shared<std::vector<CardDevice>>(1, device);
  QuitWorld world{plugged, {}};
  CardSession* session = world.model->sessions().front();
  ShownWindow shown{world.model.get(), &world.delegate};
  bool active = false;

  CardWindow() {
    world.model->setSelection(AppModel::Selection::card(device.id));
    shown.window->show();
    shown.window->requestActivate();
    active = QTest::qWaitForWindowActive(shown.window.get(), 10'000);
    turnLoopUntil([this] { return shown.named(QStringLiteral("startButton")) != nullptr; }, 10s);
  }
  QQuickWindow* window() const { return shown.window.get(); }
  // A volume mounted beside the others, at `position` among the cards the scan lists.
  void plug(const CardDevice& other, std::size_t position) {
    plugged->insert(plugged->begin() + static_cast<std::ptrdiff_t>(std::min(position, plugged->size())), other);
    world.model->rescan();
  }
  void pull(const std::string& id) {
    std::erase_if(*plugged, [&id](const CardDevice& card) { return card.id == id; });
    world.model->rescan();
  }
  bool isOpen(const QString& name) const {
    QObject* popup = shown.named(name);
    return popup != nullptr && popup->property("opened").toBool();
  }
  bool isClosed(const QString& name) const {
    QObject* popup = shown.named(name);
    return popup != nullptr && !popup->property("visible").toBool();
  }
  // A pointer's click on what the window shows by that name.
  bool clickAt(const QString& name) const {
    QObject* target = shown.named(name);
    if (target == nullptr) return false;
    QTest::mouseMove(window(), centreOf(target));
    QTest::mouseClick(window(), Qt::LeftButton, {}, centreOf(target));
    return true;
  }
  // The menu bar's entry of the named menu, clicked.
  bool openMenu(const QString& menuName) const {
    QObject* menu = shown.named(menuName);
    QQuickItem* entry = menu != nullptr ? entryOf(window()->contentItem(), menu) : nullptr;
    if (entry == nullptr) return false;
    QTest::mouseClick(window(), Qt::LeftButton, {}, centreOf(entry));
    return turnLoopUntil([&] { return menu->property("opened").toBool(); }, 5s);
  }
  static QQuickItem* entryOf(QQuickItem* item, QObject* menu) {
    if (item->inherits("QQuickMenuBarItem") && item->property("menu").value<QObject*>() == menu) return item;
    for (QQuickItem* child : item->childItems()) {
      if (QQuickItem* found = entryOf(child, menu)) return found;
    }
    return nullptr;
  }
  void startCheck() {
    session->start();
    turnLoopUntil([this] { return session->stage().isBusy() && shown.named(QStringLiteral("stopButton")); }, 60s);
  }
  // Whether a tooltip stands in the window's overlay.
  bool tooltipShown() const {
    for (QQuickItem* layer : window()->contentItem()->childItems()) {
      if (!layer->inherits("QQuickOverlay")) continue;
      for (QQuickItem* popup : layer->childItems()) {
        if (popup->isVisible() && popup->parent() != nullptr && popup->parent()->inherits("QQuickToolTip")) return true;
      }
    }
    return false;
  }
  // Turns the loop a little, long enough for a stray key to have done its harm.
  static void pause() { turnLoopUntil([] { return false; }, 200ms); }

  // What holds the keyboard's focus, by objectName (its class when it has none).
  QString focusedName() const {
    QQuickItem* focused = window()->activeFocusItem();
    return focused == nullptr ? QStringLiteral("(nothing)")
                              : focused->objectName().isEmpty() ? QString::fromLatin1(focused->metaObject()->className())
                                                                : focused->objectName();
  }
  // The focus on the control of that name, shown as the keyboard's: its ring drawn (a
  // field's whenever it takes the typing).
  bool focusShownOn(const QString& name) const {
    QQuickItem* focused = window()->activeFocusItem();
    if (focused == nullptr || focused->objectName() != name) return false;
    if (!focused->property("visualFocus").toBool() && !focused->inherits("QQuickTextInput")) return false;
    QQuickItem* ring = ringOf(focused);
    return ring != nullptr && ring->isVisible();
  }
  // Presses Tab until the focus is on the control of that name; null when it never comes.
  QQuickItem* tabTo(const QString& name) const {
    for (int step = 0; step < 30; ++step) {
      QTest::keyClick(window(), Qt::Key_Tab);
      if (turnLoopUntil([&] { return focusShownOn(name); }, 100ms)) return window()->activeFocusItem();
    }
    return nullptr;
  }
};

}  // namespace tessorin::testing
