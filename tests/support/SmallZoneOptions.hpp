#pragma once
// The speed zone test scaled to a small loop volume: a zone of 64 MiB at most in 16 MiB
// segments, a short random phase.

#include "ByteLiterals.hpp"
#include "tessorin/zone/ZoneTest.hpp"

namespace tessorin::testing {

inline ZoneTest::Options smallZoneOptions() {
  using namespace literals;
  ZoneTest::Options options;
  options.maximumBytes = 64_MiB;
  options.minimumBytes = 16_MiB;
  options.segmentBytes = 16_MiB;
  options.chunkSize = 4_MiB;
  options.randomSeconds = 0.2;
  return options;
}

}  // namespace tessorin::testing
