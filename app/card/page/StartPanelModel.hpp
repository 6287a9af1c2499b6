#pragma once
// StartPanelModel: the start panel's wording for a card: the start button, what the check
// will do to this card (the quick check where it can run here, or why it cannot: the card
// is not exFAT, or its exFAT driver writes the space the probes reserve), the exFAT link
// for a FAT card where exFAT would give it the quick check, the three steps of the plan
// with the quick check dimmed where it cannot run, and the advanced test's estimate from
// the free space (written at 20 MB/s, read back at 60 MB/s). A card that is gone is
// offered no check: the panel only says so. The session is held weakly. Main thread;
// `changed` follows the session's device and the card's presence.

#include <cstdint>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "session/check/CardSession.hpp"

namespace tessorin {

class StartPanelModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  // Whether the card is still in (the page learns it from the window's model).
  Q_PROPERTY(bool present READ present WRITE setPresent NOTIFY changed)
  Q_PROPERTY(bool offersCheck READ offersCheck NOTIFY changed)
  Q_PROPERTY(QString removedNote READ removedNote CONSTANT)
  Q_PROPERTY(QString startTitle READ startTitle CONSTANT)
  Q_PROPERTY(QString explanation READ explanation NOTIFY changed)
  Q_PROPERTY(QString backupNote READ backupNote CONSTANT)
  Q_PROPERTY(bool showsExFATLink READ showsExFATLink NOTIFY changed)
  Q_PROPERTY(QString exFATLinkTitle READ exFATLinkTitle CONSTANT)
  Q_PROPERTY(QString xrayTitle READ xrayTitle CONSTANT)
  Q_PROPERTY(QString xrayDetail READ xrayDetail CONSTANT)
  Q_PROPERTY(QString quickTitle READ quickTitle CONSTANT)
  Q_PROPERTY(QString quickDetail READ quickDetail CONSTANT)
  Q_PROPERTY(qreal quickOpacity READ quickOpacity NOTIFY changed)
  Q_PROPERTY(QString advancedTitle READ advancedTitle CONSTANT)
  Q_PROPERTY(QString advancedDetail READ advancedDetail NOTIFY changed)
  Q_PROPERTY(QString durationText READ durationText NOTIFY changed)
  Q_PROPERTY(QString volumeName READ volumeName NOTIFY changed)
  Q_PROPERTY(QString volumePath READ volumePath NOTIFY changed)

 public:
  explicit StartPanelModel(QObject* parent = nullptr);

  QObject* session() const { return session_; }
  void setSession(QObject* session);
  bool present() const { return present_; }
  void setPresent(bool present);
  bool offersCheck() const { return session_ && present_; }
  QString removedNote() const;

  QString startTitle() const;
  QString explanation() const;
  QString backupNote() const;
  bool showsExFATLink() const;
  QString exFATLinkTitle() const;
  QString xrayTitle() const;
  QString xrayDetail() const;
  QString quickTitle() const;
  QString quickDetail() const;
  qreal quickOpacity() const;
  QString advancedTitle() const;
  QString advancedDetail() const;
  QString durationText() const;
  QString volumeName() const;
  QString volumePath() const;

  // Hands over to the session, which asks, offers to erase or starts the check; nothing
  // for a card that is gone.
  Q_INVOKABLE void start();

  // The pure rules, for tests.
  static double estimateSeconds(std::uint64_t availableBytes);
  static QString estimateText(std::uint64_t availableBytes);
  static QString explanation(QuickCheckReach reach, const QString& fileSystemLabel);

 Q_SIGNALS:
  void sessionChanged();
  void changed();

 private:
  QPointer<CardSession> session_;
  bool present_ = true;
};

}  // namespace tessorin
