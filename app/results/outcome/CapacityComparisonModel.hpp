#pragma once
// CapacityComparisonModel: the presenter of CapacityComparison.qml: the claimed size's
// text, the real size's text (one figure, a range, or "?") and the share of the first bar
// that the second one fills. Main thread; keeps nothing but its input.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "results/outcome/CapacityComparisonInput.hpp"

namespace tessorin {

class CapacityComparisonModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::CapacityComparisonInput input READ input WRITE setInput NOTIFY inputChanged)
  Q_PROPERTY(QString claimedLabel READ claimedLabel CONSTANT)
  Q_PROPERTY(QString realLabel READ realLabel CONSTANT)
  Q_PROPERTY(QString claimedText READ claimedText NOTIFY inputChanged)
  Q_PROPERTY(QString realText READ realText NOTIFY inputChanged)
  Q_PROPERTY(qreal realShare READ realShare NOTIFY inputChanged)

 public:
  using QObject::QObject;

  const CapacityComparisonInput& input() const { return input_; }
  void setInput(const CapacityComparisonInput& input);

  QString claimedLabel() const { return tr("On the label"); }
  QString realLabel() const { return tr("Really holds"); }
  QString claimedText() const;
  QString realText() const { return realTextOf(input_); }
  qreal realShare() const { return realShareOf(input_); }

  static QString realTextOf(const CapacityComparisonInput& input);
  // From 0 to 1; a claim of 0 counts as 1 byte, and a card holding more than it claims
  // fills the whole bar.
  static qreal realShareOf(const CapacityComparisonInput& input);

 Q_SIGNALS:
  void inputChanged();

 private:
  CapacityComparisonInput input_;
};

}  // namespace tessorin
