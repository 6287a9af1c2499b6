#pragma once
// HalfwayWriting: a card session halfway through the advanced test's writing of a 62 GB
// card at 40 MB/s, its map and speed samples as far as written, as the test's progress
// reports would leave it. With the map and the chart its page is taller than the smallest
// window. Main thread; only for targets that link the session.

#include "session/check/CardSession.hpp"

namespace tessorin::testing {

inline void writeHalfway(CardSession& session) {
  constexpr std::uint64_t total = 62'000'000'000;
  constexpr double speed = 40e6;
  session.setStage(CardSessionStage::full(FullTest::Progress::Phase::preparing));
  FullTest::Progress report;
  report.phase = FullTest::Progress::Phase::writing;
  report.bytesTotal = total;
  report.bytesDone = total / 2;
  report.bytesPerSecond = speed;
  report.map = CapacityMap(total);
  report.map.markWritten(0, total / 2);
  for (std::uint64_t i = 1; i <= 30; ++i) report.newSamples.push_back({total / 60 * i, speed});
  session.applyFullProgress(report);
}

}  // namespace tessorin::testing
