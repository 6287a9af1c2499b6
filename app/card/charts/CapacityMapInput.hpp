#pragma once
// CapacityMapInput: the advanced test's map as a panel hands it to the map view. A plain
// value.

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "tessorin/full/CapacityMap.hpp"

namespace tessorin {

struct CapacityMapInput {
  Q_GADGET
  QML_VALUE_TYPE(capacityMapInput)

 public:
  CapacityMap map = CapacityMap(0);

  friend bool operator==(const CapacityMapInput&, const CapacityMapInput&) = default;
};

}  // namespace tessorin
