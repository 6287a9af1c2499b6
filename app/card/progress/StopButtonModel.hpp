#pragma once
// StopButtonModel: the presenter of the shared Stop button's Escape key. The button itself
// stops at once; Escape, which is pressed as often to close a menu or a popup that has
// already gone, first asks before it throws away an advanced test that has run for more
// than a minute, as quitting does. A key press is never taken for Stop while a popup of the
// window that a user answers (a menu, a sheet, a dialog) is open: that key is the popup's.
// A tooltip answers nothing: the key puts it away and stops.
//
// How long the advanced test has run is counted from the session's start of it (through
// the wait for the card to come back and the read-back), never from the quick check's; a
// session put in the advanced test without one running counts from the first moment this
// presenter sees it there. The time is read through the progress displays' clock
// (CardSilence). Main thread.

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QQuickItem;

namespace tessorin {

class CardSession;

class StopButtonModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(QString questionTitle READ questionTitle CONSTANT)
  Q_PROPERTY(QString keepTesting READ keepTesting CONSTANT)
  Q_PROPERTY(QString stopTest READ stopTest CONSTANT)

 public:
  // An advanced test younger than this stops without a question.
  static constexpr double askAfterSeconds = 60;

  using QObject::QObject;

  static QString questionTitle();
  static QString questionText(double elapsedSeconds);
  static QString keepTesting();
  static QString stopTest();

  QObject* session() const;
  void setSession(QObject* session);

  // How long the session's advanced test has run, or -1 when none runs.
  double advancedSeconds() const;
  // Whether Escape asks before it stops.
  Q_INVOKABLE bool asksFirst() const;
  // The question's text as it stands now.
  Q_INVOKABLE QString question() const;
  // Whether a popup open in the item's window takes the key; an open tooltip is closed,
  // as the key would have closed it, and takes nothing.
  Q_INVOKABLE static bool takenByPopup(QQuickItem* item);

 Q_SIGNALS:
  void sessionChanged();

 private:
  void followStage();

  QPointer<CardSession> session_;
  QDateTime advancedSince_;
};

}  // namespace tessorin
