#pragma once
// NoCardViewModel: the words of the invitation to insert a card, shown while no card (or
// a card that is gone) is selected, and the SD card outline of its picture as SVG path
// text for a 96 × 128 frame.

#include <QObject>
#include <QPainterPath>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class NoCardViewModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(QString subtitle READ subtitle CONSTANT)
  Q_PROPERTY(QString tip READ tip CONSTANT)
  Q_PROPERTY(QString outline READ outline CONSTANT)

 public:
  using QObject::QObject;

  QString title() const { return tr("Insert an SD card or USB drive"); }
  QString subtitle() const { return tr("Tessorin finds out whether it really holds what the label says."); }
  QString tip() const { return tr("For the chip’s manufacturer and production date, use this computer’s built-in SD slot."); }
  QString outline() const;

  // A path as SVG path data (absolute M, L, C and Z).
  static QString svgPathData(const QPainterPath& path);
};

}  // namespace tessorin
