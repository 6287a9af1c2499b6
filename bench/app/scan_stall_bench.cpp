// How long the window's thread stands still while a card hardly answers: the model
// rescans with the system's scanner while every read of one card's device waits a second,
// and a timer on the main thread, due every 5 ms, records the longest gap between its
// ticks from the rescan's request until the card's row has been described again (or 3 s
// have passed). Target: at most 50 ms. The card is a disk image from the simulated-card
// harness, its device's cached pages dropped before each rescan so that the scan's reads
// reach the slow medium. The same watch with no rescan shows what the machine's load alone
// costs.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include "CounterfeitCard.hpp"
#include "RoundFigures.hpp"
#include "session/AppModel.hpp"

namespace tessorin {
namespace {

using namespace std::chrono_literals;
using testing::CounterfeitCard;

constexpr auto readDelay = 1000ms;
constexpr qint64 watchMilliseconds = 3000;

void dropCachedPages(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::ioctl(fd, BLKFLSBUF, 0);
  ::close(fd);
}

struct World {
  QTemporaryDir folder;
  QSettings settings{folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
  std::unique_ptr<CounterfeitCard> card;
  std::unique_ptr<AppModel> model;

  World() {
    settings.setValue(QStringLiteral("ShowDiskImages"), true);
    card = CounterfeitCard::make({.claimed = 256ull << 20, .label = "STALLING"});
    model = std::make_unique<AppModel>(settings, QUrl::fromLocalFile(folder.filePath(QStringLiteral("History.json"))),
                                       CardSession::Environment{}, AppModel::Sources::system());
  }
  const CardSession* sessionOfTheCard() const {
    for (const CardSession* session : model->sessions()) {
      if (session->device().volumeURL == card->mountPoint()) return session;
    }
    return nullptr;
  }
};

// The longest gap between two ticks of a 5 ms timer while one rescan meets the slow card
// (with rescanning false: while nothing happens, what the machine's load alone gives);
// milliseconds.
double longestStall(World& world, bool rescanning) {
  world.card->setReadDelay(0ms);
  dropCachedPages(world.card->loopDevice());
  world.card->setReadDelay(readDelay);

  QElapsedTimer clock;
  clock.start();
  qint64 lastTick = 0;
  qint64 longest = 0;
  QTimer ticks;
  ticks.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - lastTick);
    lastTick = now;
  });
  ticks.start(5);
  if (rescanning) world.model->rescan();
  const qint64 afterRequest = clock.elapsed();
  longest = std::max(longest, afterRequest);
  lastTick = afterRequest;
  while (clock.elapsed() < watchMilliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  world.card->setReadDelay(0ms);
  return static_cast<double>(longest);
}

World& world() {
  static World made;
  return made;
}

void measure(benchmark::State& state, bool rescanning, const char* what) {
  QElapsedTimer waited;
  waited.start();
  while (world().sessionOfTheCard() == nullptr && waited.elapsed() < 30'000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  if (world().sessionOfTheCard() == nullptr) {
    state.SkipWithError("the card was not listed");
    return;
  }
  std::vector<double> stalls;
  for (auto _ : state) {
    const double stall = longestStall(world(), rescanning);
    stalls.push_back(stall);
    state.SetIterationTime(stall / 1000);
  }
  state.counters["longest_stall_ms"] = *std::max_element(stalls.begin(), stalls.end());
  state.counters["median_stall_ms"] = bench::median(stalls);
  std::printf("main thread's longest stall %s:", what);
  for (const double stall : stalls) std::printf(" %.0f ms", stall);
  std::printf("\n");
}

void BM_LongestMainThreadStallWhileACardTakesASecondPerRead(benchmark::State& state) {
  measure(state, true, "per rescan (target <= 50 ms)");
}

void BM_LongestMainThreadStallWithNoRescan(benchmark::State& state) {
  measure(state, false, "with no rescan, the machine's load alone");
}

}  // namespace
}  // namespace tessorin

BENCHMARK(tessorin::BM_LongestMainThreadStallWhileACardTakesASecondPerRead)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(tessorin::BM_LongestMainThreadStallWithNoRescan)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Tessorin"));
  QApplication::setApplicationName(QStringLiteral("Tessorin"));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
