#pragma once
// ReinsertPanelModel: the presenter of the panel shown while the advanced test waits for
// the card to be taken out and put back: whether the card is out (which ticks off the
// first two steps, swaps the buttons for a spinner and pulses the card symbol), whether the
// quick probes were skipped (for the stage track), and the panel's wording, with why the
// wait cannot be skipped on this computer when the user did not ask for it. A USB drive is
// unplugged, not taken out of a reader: every line names the device the same way. Main
// thread.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class CardSession;

// Every text of the panel, for a card or for a drive.
struct ReinsertWording {
  QString heading;
  QString explanation;
  QString requiredReason;  // empty unless the wait was required
  QStringList steps;
  QString checkWithoutRemovingText;
  QString ejectText;
  QString waitingText;
};

class ReinsertPanelModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(bool cardOut READ cardOut NOTIFY changed)
  Q_PROPERTY(bool probesSkipped READ probesSkipped NOTIFY changed)
  Q_PROPERTY(QString symbol READ symbol NOTIFY changed)
  Q_PROPERTY(QString heading READ heading NOTIFY changed)
  Q_PROPERTY(QString explanation READ explanation NOTIFY changed)
  Q_PROPERTY(QString requiredReason READ requiredReason NOTIFY changed)
  Q_PROPERTY(QStringList steps READ steps NOTIFY changed)
  // How many of the steps, from the first, the user has already done.
  Q_PROPERTY(int stepsDone READ stepsDone NOTIFY changed)
  Q_PROPERTY(QString checkWithoutRemovingText READ checkWithoutRemovingText NOTIFY changed)
  Q_PROPERTY(QString ejectText READ ejectText NOTIFY changed)
  Q_PROPERTY(QString waitingText READ waitingText NOTIFY changed)

 public:
  explicit ReinsertPanelModel(QObject* parent = nullptr);

  static ReinsertWording wording(bool isUSBDrive, bool required);

  QObject* session() const;
  void setSession(QObject* session);
  bool cardOut() const { return cardOut_; }
  bool probesSkipped() const { return probesSkipped_; }
  QString symbol() const;
  QString heading() const { return current().heading; }
  QString explanation() const { return current().explanation; }
  // Empty unless the wait was required; then why, and what skipping it costs.
  QString requiredReason() const { return current().requiredReason; }
  QStringList steps() const { return current().steps; }
  int stepsDone() const { return cardOut_ ? 2 : 0; }
  QString checkWithoutRemovingText() const { return current().checkWithoutRemovingText; }
  QString ejectText() const { return current().ejectText; }
  QString waitingText() const { return current().waitingText; }

 Q_SIGNALS:
  void sessionChanged();
  void changed();

 private:
  void update();
  bool isUSBDrive() const;
  ReinsertWording current() const { return wording(isUSBDrive(), required_); }

  QPointer<CardSession> session_;
  bool cardOut_ = false;
  bool probesSkipped_ = false;
  bool required_ = false;
};

}  // namespace tessorin
