#pragma once
// The window as the application opens it, over a given model, quit controller and
// settings file, for the window's tests: its objects found by objectName and its buttons clicked.

#include <QObject>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <cstdio>
#include <memory>

#include "session/AppModel.hpp"
#include "shell/core/AppDelegate.hpp"

namespace tessorin::testing {

// By objectName along what the window shows (a page being replaced is no longer there),
// then among the window's other objects, such as its dialogs.
inline QObject* findShown(QQuickItem* item, const QString& name) {
  if (item->objectName() == name) return item;
  for (QQuickItem* child : item->childItems()) {
    if (QObject* found = findShown(child, name)) return found;
  }
  return nullptr;
}

inline QObject* findNamed(QQuickWindow* window, const QString& name) {
  if (QObject* shown = findShown(window->contentItem(), name)) return shown;
  return window->findChild<QObject*>(name);
}

// One engine for the run: the settings singleton the views bind belongs to one engine.
inline QQmlEngine& windowEngine() {
  static QQmlEngine* made = [] {
    auto* engine = new QQmlEngine;
    engine->addImportPath(QStringLiteral("qrc:/"));
    return engine;
  }();
  return *made;
}

struct ShownWindow {
  std::unique_ptr<QQuickWindow> window;

  // settingsFile: what the settings' file has to tell shows above the content.
  ShownWindow(AppModel* model, AppDelegate* delegate, QObject* settingsFile = nullptr) {
    QQmlComponent component(&windowEngine(), QUrl(QStringLiteral("qrc:/Tessorin/Shell/MainWindow.qml")));
    QObject* made = component.createWithInitialProperties(
        {{QStringLiteral("model"), QVariant::fromValue<QObject*>(model)},
         {QStringLiteral("appDelegate"), QVariant::fromValue<QObject*>(delegate)},
         {QStringLiteral("settingsFile"), QVariant::fromValue<QObject*>(settingsFile)}});
    if (made == nullptr) std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
    window.reset(qobject_cast<QQuickWindow*>(made));
  }
  QObject* named(const QString& name) const { return window ? findNamed(window.get(), name) : nullptr; }
  // A button's click, as the pointer makes it.
  bool click(const QString& name) const {
    QObject* button = named(name);
    return button != nullptr && QMetaObject::invokeMethod(button, "clicked");
  }
};

}  // namespace tessorin::testing
