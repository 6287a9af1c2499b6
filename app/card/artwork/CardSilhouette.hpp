#pragma once
// CardSilhouette: the painted layers of the card picture that must stay inside its outline:
// the body gradient, the grip ridges (card) or the metal plug (drive), the label plate with
// its accent gradient (deepened, so its white text reads) and a gloss along its top edge, the bright sweep band while a card is scanned (added with
// the Plus composition mode and clipped to the outline) and the hairline outline. Texts,
// the write-protect switch, the seal and the stamp are QML items over it (CardArtwork.qml),
// placed with plateRect and kept inside textRect. Main thread (painting happens on the render thread's request
// through QQuickPaintedItem's own synchronisation).

#include <QQuickPaintedItem>
#include <QRectF>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class CardSilhouette : public QQuickPaintedItem {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(bool drive READ drive WRITE setDrive NOTIFY driveChanged)
  Q_PROPERTY(bool scanning READ scanning WRITE setScanning NOTIFY scanningChanged)
  // Where the sweep band is: 0 wholly beyond the left edge, 1 wholly beyond the right.
  Q_PROPERTY(qreal sweepPhase READ sweepPhase WRITE setSweepPhase NOTIFY sweepPhaseChanged)
  Q_PROPERTY(QRectF plateRect READ plateRect NOTIFY plateRectChanged)
  // Where the plate's text may lie: below the gloss, 6 pixels in from either side.
  Q_PROPERTY(QRectF textRect READ textRect NOTIFY plateRectChanged)

 public:
  explicit CardSilhouette(QQuickItem* parent = nullptr);

  bool drive() const { return drive_; }
  void setDrive(bool drive);
  bool scanning() const { return scanning_; }
  void setScanning(bool scanning);
  qreal sweepPhase() const { return sweepPhase_; }
  void setSweepPhase(qreal phase);
  QRectF plateRect() const { return plateRect(QSizeF(width(), height()), drive_); }
  QRectF textRect() const { return textRect(QSizeF(width(), height()), drive_); }

  // The label plate inside a picture of this size.
  static QRectF plateRect(QSizeF size, bool drive);
  static QRectF textRect(QSizeF size, bool drive);

  void paint(QPainter* painter) override;

 Q_SIGNALS:
  void driveChanged();
  void scanningChanged();
  void sweepPhaseChanged();
  void plateRectChanged();

 private:
  void paintPlug(QPainter* painter, QSizeF size) const;
  void paintRidges(QPainter* painter, QSizeF size) const;
  void paintPlate(QPainter* painter, QSizeF size) const;
  void paintSweep(QPainter* painter, QSizeF size) const;

  bool drive_ = false;
  bool scanning_ = false;
  qreal sweepPhase_ = 0;
};

}  // namespace tessorin
