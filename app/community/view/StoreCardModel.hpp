#pragma once
// StoreCardModel: the presenter of StoreCard.qml, one store on one platform as the
// community screen lists it: the platform badge (its symbol and the gradient of red when
// the store sold fakes, of green otherwise), the card's red tint, the platform line with
// the flags of its countries, the fake and genuine chips, and the reports its open card
// lists, newest first. Whether the card is open is the screen's. Main thread.

#include <QColor>
#include <QObject>
#include <QVariant>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "community/store/StoreSummary.hpp"
#include "community/view/ViewValues.hpp"
#include "theme/GadgetList.hpp"

namespace tessorin {

class StoreCardModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QVariant summary READ summaryValue WRITE setSummaryValue NOTIFY summaryChanged)
  Q_PROPERTY(QString store READ store NOTIFY summaryChanged)
  Q_PROPERTY(QString badgeSymbol READ badgeSymbol NOTIFY summaryChanged)
  Q_PROPERTY(QVariantList badgeGradient READ badgeGradient NOTIFY summaryChanged)
  Q_PROPERTY(QColor tint READ tint NOTIFY summaryChanged)
  Q_PROPERTY(QString platformLine READ platformLine NOTIFY summaryChanged)
  Q_PROPERTY(QVariantList chips READ chipList NOTIFY summaryChanged)
  Q_PROPERTY(QVariantList reports READ reportList NOTIFY summaryChanged)

 public:
  using QObject::QObject;

  const StoreSummary& summary() const { return summary_; }
  void setSummary(StoreSummary summary);
  QVariant summaryValue() const { return QVariant::fromValue(summary_); }
  void setSummaryValue(const QVariant& summary) { setSummary(summary.value<StoreSummary>()); }

  QString store() const { return summary_.store; }
  QString badgeSymbol() const;
  // Two colours, top to bottom: a lighter shade of the badge's colour, then the colour.
  QVariantList badgeGradient() const;
  // Red at 60 % when the store sold fakes; transparent (no tint) otherwise.
  QColor tint() const;
  QString platformLine() const;
  std::vector<ChipValue> chips() const;
  QVariantList chipList() const { return gadgetList(chips()); }
  QVariantList reportList() const;

 Q_SIGNALS:
  void summaryChanged();

 private:
  StoreSummary summary_;
};

}  // namespace tessorin
