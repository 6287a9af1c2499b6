#pragma once
// ZoneTrace: the speed zone test's live speed trace, one write and one read series, as
// the session collects it from progress reports. A plain value.

#include <vector>

#include "tessorin/full/SpeedSample.hpp"

namespace tessorin {

struct ZoneTrace {
  std::vector<SpeedSample> write;
  std::vector<SpeedSample> read;
};

}  // namespace tessorin
