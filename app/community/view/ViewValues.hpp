#pragma once
// The plain values the community views read as gadgets: a total of the community screen
// (StatTile), a chip of a store card, and a row of a country menu, each made by a
// presenter with its texts already worded; and the store's values that cards and rows
// are given inside a QVariant.

#include <QColor>
#include <QMetaType>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "community/store/StoreReport.hpp"
#include "community/store/StoreSummary.hpp"

namespace tessorin {

struct StatTileValue {
  Q_GADGET
  QML_VALUE_TYPE(statTileValue)
  Q_PROPERTY(QString valueText MEMBER valueText CONSTANT)
  Q_PROPERTY(QString title MEMBER title CONSTANT)
  Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
  Q_PROPERTY(QColor color MEMBER color CONSTANT)

 public:
  QString valueText;  // grouped in the current locale
  QString title;
  QString symbol;
  QColor color;
  friend bool operator==(const StatTileValue&, const StatTileValue&) = default;
};

struct ChipValue {
  Q_GADGET
  QML_VALUE_TYPE(chipValue)
  Q_PROPERTY(QString text MEMBER text CONSTANT)
  Q_PROPERTY(QString symbol MEMBER symbol CONSTANT)
  Q_PROPERTY(QColor color MEMBER color CONSTANT)

 public:
  QString text;
  QString symbol;
  QColor color;
  friend bool operator==(const ChipValue&, const ChipValue&) = default;
};

struct CountryRow {
  Q_GADGET
  QML_VALUE_TYPE(countryRow)
  Q_PROPERTY(QString code MEMBER code CONSTANT)
  Q_PROPERTY(QString text MEMBER text CONSTANT)

 public:
  QString code;  // "" for no country, or all countries
  QString text;
  friend bool operator==(const CountryRow&, const CountryRow&) = default;
};

}  // namespace tessorin

// Handed from the screen to its cards and rows inside a QVariant.
Q_DECLARE_METATYPE(tessorin::StoreSummary)
Q_DECLARE_METATYPE(tessorin::StoreReport)
Q_DECLARE_METATYPE(tessorin::StatTileValue)
Q_DECLARE_METATYPE(tessorin::ChipValue)
Q_DECLARE_METATYPE(tessorin::CountryRow)
