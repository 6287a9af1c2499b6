#pragma once
// MapLegendModel: the entries of the card map's colour key, "Not yet", "Written", "Good",
// "Partly bad" and "Bad", with the map's colours, except that the "Not yet" swatch is
// darker (the secondary colour at opacity 0.3) than an untested cell. Under a map whose
// read-back may have come from memory, "Read back, not confirmed" takes the place of
// "Good". Main thread.

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
  Q_PROPERTY(bool readBackUnconfirmed READ readBackUnconfirmed WRITE setReadBackUnconfirmed NOTIFY changed)
  Q_PROPERTY(QVariantList entries READ entries NOTIFY changed)
  // A finished test's map: what it never reached is "Not tested", not "Not yet".
  Q_PROPERTY(bool finished READ finished WRITE setFinished NOTIFY changed)

 public:
  explicit MapLegendModel(QObject* parent = nullptr);

  static std::vector<LegendEntry> entries(const QColor& secondary, bool readBackUnconfirmed = false,
                                          bool finished = false);

  QColor secondaryColor() const { return secondary_; }
  void setSecondaryColor(const QColor& color);
  bool readBackUnconfirmed() const { return readBackUnconfirmed_; }
  void setReadBackUnconfirmed(bool unconfirmed);
  QVariantList entries() const;
  bool finished() const { return finished_; }
  void setFinished(bool finished);

 Q_SIGNALS:
  void changed();

 private:
  QColor secondary_ = QColor(128, 128, 128);
  bool readBackUnconfirmed_ = false;
  bool finished_ = false;
};

}  // namespace tessorin
