#pragma once
// SpeedChartInput: the write and read speed samples a chart draws, in the order the
// engine recorded them. A plain value.

#include <vector>

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

#include "tessorin/full/SpeedSample.hpp"

namespace tessorin {

struct SpeedChartInput {
  Q_GADGET
  QML_VALUE_TYPE(speedChartInput)

 public:
  std::vector<SpeedSample> write;
  std::vector<SpeedSample> read;

  friend bool operator==(const SpeedChartInput&, const SpeedChartInput&) = default;
};

}  // namespace tessorin
