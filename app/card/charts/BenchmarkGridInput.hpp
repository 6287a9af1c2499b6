#pragma once
// BenchmarkGridInput: the speed zone's result as the speed box hands it to its grid of
// figures. A plain value.

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "tessorin/zone/ZoneResult.hpp"

namespace tessorin {

struct BenchmarkGridInput {
  Q_GADGET
  QML_VALUE_TYPE(benchmarkGridInput)

 public:
  ZoneResult zone;

  friend bool operator==(const BenchmarkGridInput&, const BenchmarkGridInput&) = default;
};

}  // namespace tessorin
