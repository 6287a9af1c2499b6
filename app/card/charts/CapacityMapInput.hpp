#pragma once
// CapacityMapInput: the advanced test's map as a panel hands it to the map view, and
// whether what read back intact may have come from this computer's copy of the card, so
// that the map does not show it as kept. A plain value.

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "tessorin/full/CapacityMap.hpp"

namespace tessorin {

struct CapacityMapInput {
  Q_GADGET
  QML_VALUE_TYPE(capacityMapInput)

 public:
  CapacityMap map = CapacityMap(0);
  bool readBackUnconfirmed = false;

  friend bool operator==(const CapacityMapInput&, const CapacityMapInput&) = default;
};

}  // namespace tessorin
