#pragma once
// CardHeaderModel: what the top of the card page shows for a card: the picture's inputs
// (scanning while the quick check or advanced test runs, the finished verdict), the volume
// name, the claimed capacity, the chips (kind, file system, product name from the
// registers) and the storage bar's share and caption. For a USB device the kind chip is a
// menu that asks whether it is a card in a reader or a USB drive, usable only while the
// session is at rest. A card that is gone shows no storage bar: its figures would be read
// through the folder it left behind. The session is held weakly: a session deleted under the page leaves
// an empty header. Main thread; `changed` follows the session's device, stage and outcome.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "session/check/CardSession.hpp"
#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/posix/VolumeStats.hpp"

namespace tessorin {

class CardHeaderModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(bool hasSession READ hasSession NOTIFY sessionChanged)
  // Whether the card is still in (the page learns it from the window's model).
  Q_PROPERTY(bool present READ present WRITE setPresent NOTIFY presentChanged)
  Q_PROPERTY(bool showsStorage READ showsStorage NOTIFY changed)
  Q_PROPERTY(QString volumeName READ volumeName NOTIFY changed)
  Q_PROPERTY(QString claimText READ claimText NOTIFY changed)
  Q_PROPERTY(bool scanning READ scanning NOTIFY changed)
  Q_PROPERTY(QString verdict READ verdict NOTIFY changed)
  Q_PROPERTY(QString kindLabel READ kindLabel NOTIFY changed)
  Q_PROPERTY(QString kindSymbol READ kindSymbol NOTIFY changed)
  Q_PROPERTY(bool kindIsMenu READ kindIsMenu NOTIFY changed)
  Q_PROPERTY(bool kindMenuEnabled READ kindMenuEnabled NOTIFY changed)
  Q_PROPERTY(QString fileSystemLabel READ fileSystemLabel NOTIFY changed)
  // "" when the registers carry no product name (or there are none).
  Q_PROPERTY(QString productName READ productName NOTIFY changed)
  Q_PROPERTY(qreal usedShare READ usedShare NOTIFY changed)
  Q_PROPERTY(QString storageCaption READ storageCaption NOTIFY changed)
  Q_PROPERTY(QString cardInReaderTitle READ cardInReaderTitle CONSTANT)
  Q_PROPERTY(QString driveTitle READ driveTitle CONSTANT)
  Q_PROPERTY(QString kindHelp READ kindHelp CONSTANT)

 public:
  explicit CardHeaderModel(QObject* parent = nullptr);

  QObject* session() const { return session_; }
  void setSession(QObject* session);
  bool hasSession() const { return !session_.isNull(); }
  bool present() const { return present_; }
  void setPresent(bool present);
  bool showsStorage() const { return hasSession() && present_; }

  QString volumeName() const;
  QString claimText() const;
  bool scanning() const;
  QString verdict() const;
  QString kindLabel() const;
  QString kindSymbol() const;
  bool kindIsMenu() const;
  bool kindMenuEnabled() const;
  QString fileSystemLabel() const;
  QString productName() const;
  qreal usedShare() const;
  QString storageCaption() const;
  QString cardInReaderTitle() const;
  QString driveTitle() const;
  QString kindHelp() const;

  Q_INVOKABLE void chooseKind(bool isDrive);

  // The pure rules, for tests.
  static QString kindSymbol(CardDevice::Connection::Kind connection);
  static double usedShare(const VolumeStats& volume);
  static QString storageCaption(const VolumeStats& volume);

 Q_SIGNALS:
  void sessionChanged();
  void presentChanged();
  void changed();

 private:
  QPointer<CardSession> session_;
  bool present_ = true;
};

}  // namespace tessorin
