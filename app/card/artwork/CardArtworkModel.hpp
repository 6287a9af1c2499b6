#pragma once
// CardArtworkModel: what the card picture (CardArtwork.qml) shows for a card: drive or
// card, the three lines of its label plate, the glow, the verdict seal, the "FAKE" stamp
// and the name a screen reader speaks. It reads the card's device, brand and kind from its
// CardSession and is told by the caller whether a check is running and which verdict the
// finished check gave. `look` is the pure rule behind it, for tests.
// Main thread; re-emits `changed` when the session's device or brand changes the look.

#include <optional>
#include <string>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "session/check/CardSession.hpp"
#include "session/records/CheckOutcome.hpp"
#include "tessorin/identity/CardDevice.hpp"

namespace tessorin {

class CardArtworkModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QObject* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(bool scanning READ scanning WRITE setScanning NOTIFY scanningChanged)
  // The finished check's verdict by its stored name ("fake"); "" before a check has finished.
  Q_PROPERTY(QString verdict READ verdict WRITE setVerdict NOTIFY verdictChanged)

  Q_PROPERTY(bool drive READ drive NOTIFY changed)
  // Height over width: 1.55 for a drive, 1.33 for a card.
  Q_PROPERTY(qreal aspectRatio READ aspectRatio NOTIFY changed)
  Q_PROPERTY(QString brandLine READ brandLine NOTIFY changed)
  Q_PROPERTY(QString capacityLine READ capacityLine NOTIFY changed)
  // "" when there is no third line.
  Q_PROPERTY(QString typeLine READ typeLine NOTIFY changed)
  Q_PROPERTY(QColor glowColor READ glowColor NOTIFY changed)
  Q_PROPERTY(qreal glowRadius READ glowRadius NOTIFY changed)
  // "" when no seal is shown.
  Q_PROPERTY(QString sealSymbol READ sealSymbol NOTIFY changed)
  Q_PROPERTY(QColor sealColor READ sealColor NOTIFY changed)
  Q_PROPERTY(bool showsStamp READ showsStamp NOTIFY changed)
  Q_PROPERTY(QString stampText READ stampText CONSTANT)
  Q_PROPERTY(QString accessibleName READ accessibleName NOTIFY changed)

 public:
  struct Look {
    bool drive = false;
    QString brandLine;
    QString capacityLine;
    QString typeLine;
    QColor glowColor;  // with its opacity
    double glowRadius = 12;
    QString sealSymbol;
    QColor sealColor;
    bool showsStamp = false;
    QString accessibleName;

    friend bool operator==(const Look&, const Look&) = default;
  };

  static Look look(const CardDevice& device, const std::optional<std::string>& brand, bool scanning,
                   std::optional<CheckOutcome::Verdict> verdict, bool isUSBDrive);

  explicit CardArtworkModel(QObject* parent = nullptr);

  QObject* session() const { return session_; }
  void setSession(QObject* session);
  bool scanning() const { return scanning_; }
  void setScanning(bool scanning);
  QString verdict() const { return verdict_; }
  void setVerdict(const QString& verdict);

  bool drive() const { return look_.drive; }
  qreal aspectRatio() const { return look_.drive ? 1.55 : 1.33; }
  QString brandLine() const { return look_.brandLine; }
  QString capacityLine() const { return look_.capacityLine; }
  QString typeLine() const { return look_.typeLine; }
  QColor glowColor() const { return look_.glowColor; }
  qreal glowRadius() const { return look_.glowRadius; }
  QString sealSymbol() const { return look_.sealSymbol; }
  QColor sealColor() const { return look_.sealColor; }
  bool showsStamp() const { return look_.showsStamp; }
  QString stampText() const;
  QString accessibleName() const { return look_.accessibleName; }

 Q_SIGNALS:
  void sessionChanged();
  void scanningChanged();
  void verdictChanged();
  void changed();

 private:
  void refresh();

  QPointer<CardSession> session_;
  bool scanning_ = false;
  QString verdict_;
  Look look_;
};

}  // namespace tessorin
