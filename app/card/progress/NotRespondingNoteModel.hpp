#pragma once
// NotRespondingNoteModel: the presenter of the warning that a card has stopped answering.
// Once a second while active it measures the time since the session's last progress
// report; once the card counts as silent (CardSilence) it words how long. A new report
// clears the note at once. Main thread.

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include "card/progress/CardSilence.hpp"

namespace tessorin {

class CardSession;

class NotRespondingNoteModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  // Ticks only while active (the note is on screen).
  Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
  Q_PROPERTY(bool shown READ shown NOTIFY changed)
  Q_PROPERTY(QString text READ text NOTIFY changed)

 public:
  using Clock = card_silence::Clock;

  explicit NotRespondingNoteModel(QObject* parent = nullptr);

  // The clock of every note and panel from now on, and of those already made at their
  // next tick; none restores the current time.
  static void setClock(Clock clock) { card_silence::setClock(std::move(clock)); }

  // The note's text after elapsed seconds of silence; empty up to the limit.
  static QString textFor(double elapsedSeconds);

  QObject* session() const;
  void setSession(QObject* session);
  bool active() const { return timer_.isActive(); }
  void setActive(bool active);
  bool shown() const { return !text_.isEmpty(); }
  QString text() const { return text_; }

  // Measures again now; the timer calls it once a second.
  void tick();

 Q_SIGNALS:
  void sessionChanged();
  void activeChanged();
  void changed();

 private:
  QPointer<CardSession> session_;
  QTimer timer_;
  QString text_;
};

}  // namespace tessorin
