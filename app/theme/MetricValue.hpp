#pragma once
// MetricValue: one figure of a stats row, its caption and its formatted value, as a
// presenter lists them for a row of `Metric` views. A plain value.

#include <QMetaType>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

struct MetricValue {
  Q_GADGET
  QML_VALUE_TYPE(metricValue)
  Q_PROPERTY(QString title MEMBER title CONSTANT)
  Q_PROPERTY(QString value MEMBER value CONSTANT)

 public:
  QString title;
  QString value;

  friend bool operator==(const MetricValue&, const MetricValue&) = default;
};

}  // namespace tessorin
