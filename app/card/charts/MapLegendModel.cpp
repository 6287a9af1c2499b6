#include "card/charts/MapLegendModel.hpp"

#include "card/charts/CapacityMapCanvas.hpp"
#include "card/progress/ProgressWording.hpp"

namespace tessorin {

MapLegendModel::MapLegendModel(QObject* parent) : QObject(parent) {}

std::vector<LegendEntry> MapLegendModel::entries(const QColor& secondary, bool readBackUnconfirmed, bool finished) {
  using Cell = CapacityMap::Cell;
  QStringList labels = ProgressWording::mapLegend();
  if (finished) labels[0] = tr("Not tested");
  if (readBackUnconfirmed) labels[2] = tr("Read back, not confirmed");
  QColor notYet = secondary;
  notYet.setAlphaF(secondary.alphaF() * 0.3);
  return {{labels[0], notYet},
          {labels[1], CapacityMapCanvas::cellColor(Cell::written, secondary)},
          {labels[2], CapacityMapCanvas::cellColor(Cell::good, secondary, readBackUnconfirmed)},
          {labels[3], CapacityMapCanvas::cellColor(Cell::mixed, secondary)},
          {labels[4], CapacityMapCanvas::cellColor(Cell::bad, secondary)}};
}

void MapLegendModel::setSecondaryColor(const QColor& color) {
  if (secondary_ == color) return;
  secondary_ = color;
  Q_EMIT changed();
}

void MapLegendModel::setReadBackUnconfirmed(bool unconfirmed) {
  if (readBackUnconfirmed_ == unconfirmed) return;
  readBackUnconfirmed_ = unconfirmed;
  Q_EMIT changed();
}

void MapLegendModel::setFinished(bool finished) {
  if (finished_ == finished) return;
  finished_ = finished;
  Q_EMIT changed();
}

QVariantList MapLegendModel::entries() const {
  QVariantList list;
  for (const LegendEntry& entry : entries(secondary_, readBackUnconfirmed_, finished_)) list.append(QVariant::fromValue(entry));
  return list;
}

}  // namespace tessorin
