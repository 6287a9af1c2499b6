#pragma once
// GridRow: one row of a two-column fact grid, a label and its value, both shown as plain
// text. A plain value that QML reads as `label` and `value`.

#include <QMetaType>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

struct GridRow {
  Q_GADGET
  Q_PROPERTY(QString label MEMBER label)
  Q_PROPERTY(QString value MEMBER value)

 public:
  QString label;
  QString value;

  friend bool operator==(const GridRow&, const GridRow&) = default;
};

}  // namespace tessorin
