#pragma once
// LegendEntry: one entry of a colour key, its label and its swatch colour. A plain value.

#include <QColor>
#include <QMetaType>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

struct LegendEntry {
  Q_GADGET
  QML_VALUE_TYPE(legendEntry)
  Q_PROPERTY(QString label MEMBER label CONSTANT)
  Q_PROPERTY(QColor color MEMBER color CONSTANT)

 public:
  QString label;
  QColor color;

  friend bool operator==(const LegendEntry&, const LegendEntry&) = default;
};

}  // namespace tessorin
