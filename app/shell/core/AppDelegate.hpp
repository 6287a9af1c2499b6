#pragma once
// AppDelegate: the one place that decides whether the application may end now. Closing
// the window, Ctrl+Q, SIGINT/SIGTERM and the end of the desktop session all come here.
// With nothing being tested it quits at once; while a card is tested or erased the user
// is asked (the quit alert, shown by the window while `quitAlertShown`), and "Quit
// Anyway" quits only once every check has stopped and cleaned up, or after 30 s. The
// system cannot be asked: its requests stop and wait as "Quit Anyway" does. One quit at
// a time: while the alert stands or a quit is under way, further requests do nothing.
//
// Main thread only.

#include <functional>

#include <QObject>
#include <QPointer>
#include <QString>
#include <qcoro/qcorotask.h>

#include "session/AppModel.hpp"

namespace tessorin {

class AppDelegate : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool quitAlertShown READ quitAlertShown NOTIFY quitAlertShownChanged)
  Q_PROPERTY(bool terminationPending READ terminationPending NOTIFY terminationPendingChanged)
  Q_PROPERTY(QString alertTitle READ alertTitle CONSTANT)
  Q_PROPERTY(QString alertMessage READ alertMessage CONSTANT)
  Q_PROPERTY(QString keepTestingText READ keepTestingText CONSTANT)
  Q_PROPERTY(QString quitAnywayText READ quitAnywayText CONSTANT)

 public:
  enum class Reply { now, cancel, later };

  // quit ends the application (QCoreApplication::quit by default; tests count calls).
  explicit AppDelegate(std::function<void()> quit = {}, QObject* parent = nullptr);

  AppModel* model() const { return model_; }
  // Set when the window's content is shown; until then a quit never asks.
  void setModel(AppModel* model);

  // The user's request to quit: now, later (the alert is up, or a quit is under way), or
  // cancel. Quits by itself when the answer is now.
  Q_INVOKABLE void requestQuit();
  Reply shouldTerminate();
  // The alert's two buttons.
  Q_INVOKABLE void keepTesting();
  Q_INVOKABLE void quitAnyway();
  // SIGINT, SIGTERM, the end of the desktop session: no question, stop and wait, quit.
  void terminateFromSystem();

  // A session is checking or deciding, or the erase sheet is erasing.
  bool isBusy() const;

  bool quitAlertShown() const { return quitAlertShown_; }
  bool terminationPending() const { return terminationPending_; }
  QString alertTitle() const { return tr("A card is being tested"); }
  QString alertMessage() const {
    return tr("If you quit now, the test stops and its answer so far is lost. Tessorin first deletes its test data "
              "from the card.");
  }
  QString keepTestingText() const { return tr("Keep Testing"); }
  QString quitAnywayText() const { return tr("Quit Anyway"); }

 Q_SIGNALS:
  void quitAlertShownChanged();
  void terminationPendingChanged();

 private:
  QCoro::Task<> stopAllThenQuit();
  void setQuitAlertShown(bool shown);
  void setTerminationPending(bool pending);

  std::function<void()> quit_;
  QPointer<AppModel> model_;
  bool quitAlertShown_ = false;
  bool terminationPending_ = false;
};

}  // namespace tessorin
