#pragma once
// FigureRow: one labelled figure of a result display, already worded: a stat tile (with
// its symbol), a key figure under the speed chart, a row of "What went wrong". A plain
// value that QML reads as a gadget.

#include <QMetaType>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

struct FigureRow {
  Q_GADGET
  QML_VALUE_TYPE(figureRow)
  Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
  Q_PROPERTY(QString title MEMBER title CONSTANT)
  Q_PROPERTY(QString value MEMBER value CONSTANT)

 public:
  QString symbol;  // empty where the display shows none
  QString title;
  QString value;

  friend bool operator==(const FigureRow&, const FigureRow&) = default;
};

}  // namespace tessorin

Q_DECLARE_METATYPE(tessorin::FigureRow)
