// What a finished check costs the window's thread when the history is long: adding the
// check's record to 10,000 others. The file is written by the history's own thread; the
// window pays for the copy of the records it hands over. A second figure says how long
// the whole save takes until the file is written.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "session/records/History.hpp"

namespace tessorin {
namespace {

constexpr int recordCount = 10'000;

CheckRecord check(int i) {
  CheckRecord record;
  record.date = QDateTime::fromSecsSinceEpoch(1'700'000'000 + i, Qt::UTC);
  record.cardName = "Card " + std::to_string(i);
  record.advertisedBytes = 64'000'000'000;
  record.realBytes = 7'900'000'000;
  record.writeSpeed = 21.5e6;
  record.readSpeed = 88.0e6;
  return record;
}

struct LongHistory {
  QTemporaryDir folder;
  History history{QUrl::fromLocalFile(folder.filePath(QStringLiteral("History.json")))};
  int added = 0;

  LongHistory() {
    for (; added < recordCount; ++added) history.add(check(added));
    history.waitForSaves();
  }
};

void windowThreadPerFinishedCheck(benchmark::State& state) {
  LongHistory world;
  for (auto _ : state) world.history.add(check(world.added++));
  // Past the timed loop: what is still being written is not the window's time.
  world.history.waitForSaves();
}
BENCHMARK(windowThreadPerFinishedCheck)->Unit(benchmark::kMillisecond);

void wholeSaveUntilWritten(benchmark::State& state) {
  LongHistory world;
  for (auto _ : state) {
    world.history.add(check(world.added++));
    world.history.waitForSaves();
  }
}
BENCHMARK(wholeSaveUntilWritten)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessorin

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
