#pragma once
// FullLive (`CardSession::FullLive`): the live figures of a running advanced test, as
// its progress displays show them. No equality: every write notifies. A plain value.

#include <cstdint>
#include <vector>

#include <QDateTime>

#include "tessorin/full/CapacityMap.hpp"
#include "tessorin/pattern/SectorTally.hpp"
#include "tessorin/full/SpeedSample.hpp"

namespace tessorin {

struct FullLive {
  std::uint64_t bytesDone = 0;
  std::uint64_t bytesTotal = 0;
  double bytesPerSecond = 0;
  CapacityMap map{0};
  SectorTally tally;
  std::vector<SpeedSample> writeSamples;
  std::vector<SpeedSample> readSamples;
  QDateTime phaseStarted = QDateTime::currentDateTimeUtc();
  // When the advanced test began (its preparing phase), through the wait for the card to
  // come back and the read-back; invalid while none runs.
  QDateTime testStarted;
};

}  // namespace tessorin
