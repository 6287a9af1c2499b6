#pragma once
// SpeedChartInput: the write and read speed samples a chart draws, in the order the
// engine recorded them, and the bytes their positions run over (the card's tested
// space, or the speed zone), which the position axis spans. A plain value.

#include <cstdint>
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
  // 0 when not known: the axis then spans the samples alone.
  std::uint64_t extent = 0;

  friend bool operator==(const SpeedChartInput&, const SpeedChartInput&) = default;
};

}  // namespace tessorin
