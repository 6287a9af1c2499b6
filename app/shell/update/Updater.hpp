#pragma once
// Updater: the application's one update checker, seen by QML as the singleton `Updater`
// over Updater::shared(). Until start() has run with a usable configuration (a key of
// 32 bytes, a safe feed address, a running version that parses) there is no checker,
// canCheck stays false and "Check for Updates…" stays disabled; a build configured
// without a key stays that way for good. start() makes the checker once; later calls
// return at once.
//
// canCheck mirrors the checker's canCheckForUpdates: every value, the first one
// included, is handed to the main thread's event loop by an observer that holds the
// Updater only weakly, and stored through a setter that notifies only on change.
// Lives on the main thread.

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include "shell/update/UpdateChecker.hpp"
#include "shell/update/UpdateConfiguration.hpp"

class QQmlEngine;
class QJSEngine;

namespace tessorin {

class Updater : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  Q_PROPERTY(bool canCheck READ canCheck NOTIFY canCheckChanged)
  Q_PROPERTY(bool isConfigured READ isConfigured CONSTANT)
  Q_PROPERTY(tessorin::UpdateChecker* checker READ checker NOTIFY checkerChanged)

 public:
  explicit Updater(UpdateConfiguration configuration, QObject* parent = nullptr);

  // The process's one Updater, made on first use with this build's configuration.
  static Updater& shared();
  // How QML gets shared(); the object stays C++'s.
  static Updater* create(QQmlEngine* engine, QJSEngine* scriptEngine);

  bool canCheck() const { return canCheck_; }
  bool isConfigured() const { return isConfigured_; }
  UpdateChecker* checker() const { return checker_; }

  Q_INVOKABLE void start();

 Q_SIGNALS:
  void canCheckChanged();
  void checkerChanged();

 private:
  void observe(bool canCheckForUpdates);
  void setCanCheck(bool canCheck);

  UpdateConfiguration configuration_;
  bool isConfigured_;
  bool canCheck_ = false;
  UpdateChecker* checker_ = nullptr;
};

}  // namespace tessorin
