#pragma once
// ReinsertPanelModel: the presenter of the panel shown while the advanced test waits for
// the card to be taken out and put back: whether the card is out (which ticks off the
// first two steps, swaps the buttons for a spinner and pulses the card symbol), whether the
// quick probes were skipped (for the stage track), and the panel's wording, with why the
// wait cannot be skipped on this computer when the user did not ask for it. Main thread.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class CardSession;

class ReinsertPanelModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(bool cardOut READ cardOut NOTIFY changed)
  Q_PROPERTY(bool probesSkipped READ probesSkipped NOTIFY changed)
  Q_PROPERTY(QString symbol READ symbol NOTIFY changed)
  Q_PROPERTY(QString heading READ heading CONSTANT)
  Q_PROPERTY(QString explanation READ explanation CONSTANT)
  Q_PROPERTY(QString requiredReason READ requiredReason NOTIFY changed)
  Q_PROPERTY(QStringList steps READ steps NOTIFY changed)
  // How many of the steps, from the first, the user has already done.
  Q_PROPERTY(int stepsDone READ stepsDone NOTIFY changed)
  Q_PROPERTY(QString checkWithoutRemovingText READ checkWithoutRemovingText CONSTANT)
  Q_PROPERTY(QString ejectText READ ejectText CONSTANT)
  Q_PROPERTY(QString waitingText READ waitingText CONSTANT)

 public:
  explicit ReinsertPanelModel(QObject* parent = nullptr);

  QObject* session() const;
  void setSession(QObject* session);
  bool cardOut() const { return cardOut_; }
  bool probesSkipped() const { return probesSkipped_; }
  QString symbol() const;
  QString heading() const;
  QString explanation() const;
  // Empty unless the wait was required; then why, and what skipping it costs.
  QString requiredReason() const;
  QStringList steps() const;
  int stepsDone() const { return cardOut_ ? 2 : 0; }
  QString checkWithoutRemovingText() const;
  QString ejectText() const;
  QString waitingText() const;

 Q_SIGNALS:
  void sessionChanged();
  void changed();

 private:
  void update();

  QPointer<CardSession> session_;
  bool cardOut_ = false;
  bool probesSkipped_ = false;
  bool required_ = false;
};

}  // namespace tessorin
