#pragma once
// MapLegendModel: the entries of the card map's colour key, "Not yet", "Written", "Good",
// "Partly bad" and "Bad", with the map's colours, except that the "Not yet" swatch is
// darker (the secondary colour at opacity 0.3) than an untested cell. Main thread.

#include <vector>

#include <QColor>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "card/charts/LegendEntry.hpp"

namespace tessorin {

class MapLegendModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QColor secondaryColor READ secondaryColor WRITE setSecondaryColor NOTIFY changed)
  Q_PROPERTY(QVariantList entries READ entries NOTIFY changed)

 public:
  explicit MapLegendModel(QObject* parent = nullptr);

  static std::vector<LegendEntry> entries(const QColor& secondary);

  QColor secondaryColor() const { return secondary_; }
  void setSecondaryColor(const QColor& color);
  QVariantList entries() const;

 Q_SIGNALS:
  void changed();

 private:
  QColor secondary_ = QColor(128, 128, 128);
};

}  // namespace tessorin
