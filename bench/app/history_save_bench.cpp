// What a long history costs the window's thread: a History.json of 1,000,000 checks
// (about 200 MB, as the program writes it). Reported apart:
// - start-up: how long making the history holds the window's thread, its time to take in
//   the records once they are read, and how long until they are shown;
// - a finished check: the window's thread's time to add the record, and its time to take
//   in each save's outcome once the saver has written the file (events the saver posts to
//   the history, timed where the application delivers them);
// - the whole save until the file is written, which the saver's thread pays.
// The slowest round is reported beside the mean: a window that stalls once is what a user
// sees.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "PeakMemory.hpp"
#include "session/records/History.hpp"

namespace tessorin {
namespace {

constexpr int recordCount = 1'000'000;

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

// Times what the application delivers to one object on this thread: the outcomes the
// history's saver posts back.
class TimedApplication : public QCoreApplication {
 public:
  using QCoreApplication::QCoreApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    if (receiver != watched || event->type() != QEvent::MetaCall) return QCoreApplication::notify(receiver, event);
    QElapsedTimer clock;
    clock.start();
    const bool handled = QCoreApplication::notify(receiver, event);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    delivered += seconds;
    longest = std::max(longest, seconds);
    return handled;
  }
  QObject* watched = nullptr;
  double delivered = 0;
  double longest = 0;
};

TimedApplication& application() { return *static_cast<TimedApplication*>(QCoreApplication::instance()); }

// The newest check first, as the history writes them; one record at a time, so that
// seeding needs no copy of the whole list.
void writeSeed(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write the seed history");
  file.write("[\n");
  for (int i = recordCount - 1; i >= 0; --i) {
    std::string text = nlohmann::json(check(i)).dump(2);
    std::string indented = "  ";
    for (char c : text) {
      indented += c;
      if (c == '\n') indented += "  ";
    }
    if (i > 0) indented += ",\n";
    file.write(indented.data(), static_cast<qint64>(indented.size()));
  }
  file.write("\n]\n");
}

struct LongHistory {
  QTemporaryDir folder;
  QString path = folder.filePath(QStringLiteral("History.json"));
  int added = recordCount;
  std::unique_ptr<History> history;

  LongHistory() { writeSeed(path); }
};

LongHistory& world() {
  static LongHistory made;
  return made;
}

// Made afresh each round; the window's thread is held for the first figure, and the
// records are all there for the second.
void startUp(benchmark::State& state) {
  double longestHold = 0;
  double longestFill = 0;
  double untilShown = 0;
  for (auto _ : state) {
    world().history.reset();
    application().watched = nullptr;
    QElapsedTimer clock;
    clock.start();
    world().history = std::make_unique<History>(QUrl::fromLocalFile(world().path));
    const double held = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    application().watched = world().history.get();
    application().longest = 0;
    world().history->waitForSaves();
    longestFill = std::max(longestFill, application().longest);
    application().watched = nullptr;
    untilShown = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (world().history->records().size() != static_cast<std::size_t>(recordCount)) {
      state.SkipWithError("the history was not read whole");
      return;
    }
    longestHold = std::max(longestHold, held);
    state.SetIterationTime(held);
  }
  state.counters["longest_hold_ms"] = longestHold * 1e3;
  state.counters["until_shown_ms"] = untilShown * 1e3;
  state.counters["longest_fill_ms"] = longestFill * 1e3;
  state.counters["peak_MiB"] = static_cast<double>(testing::peakMemoryKiB(::getpid())) / 1024;
}
BENCHMARK(startUp)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

// Start-up over what is no history at all in the file's place, until the history is
// ready: a FIFO no one writes to, a link to an endless device, a 1 GB file, 50 MB of
// nested brackets; and the most memory the start took on top of what was held.
void startUpOverWhatIsNoHistory(benchmark::State& state) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("History.json"));
  const QByteArray name = QFile::encodeName(path);
  const auto nested = [&path] {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(50 << 20, '[')) == 50 << 20;
  };
  const bool made = state.range(0) == 0   ? ::mkfifo(name.constData(), 0600) == 0
                    : state.range(0) == 1 ? ::symlink("/dev/zero", name.constData()) == 0
                    : state.range(0) == 2 ? QFile(path).open(QIODevice::WriteOnly) && QFile(path).resize(1LL << 30)
                                          : nested();
  if (!made) {
    state.SkipWithError("cannot put it in the history's place");
    return;
  }
  const char* labels[] = {"FIFO", "link to /dev/zero", "1 GB file", "50 MB of ["};
  state.SetLabel(labels[state.range(0)]);
  std::int64_t growthKiB = 0;
  for (auto _ : state) {
    testing::resetPeakMemory(::getpid());
    const std::int64_t before = testing::peakMemoryKiB(::getpid());
    QElapsedTimer clock;
    clock.start();
    {
      History history(QUrl::fromLocalFile(path));
      history.waitForSaves();
      state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    growthKiB = std::max(growthKiB, testing::peakMemoryKiB(::getpid()) - before);
  }
  state.counters["peak_growth_MiB"] = static_cast<double>(growthKiB) / 1024;
}
BENCHMARK(startUpOverWhatIsNoHistory)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

History& loaded() {
  if (!world().history) {
    world().history = std::make_unique<History>(QUrl::fromLocalFile(world().path));
    world().history->waitForSaves();
  }
  return *world().history;
}

// Per finished check: the add itself is the iteration's time; taking in the save's
// outcome is a counter. Waiting for the file to be written is neither.
void windowThreadPerFinishedCheck(benchmark::State& state) {
  History& history = loaded();
  history.waitForSaves();
  application().watched = &history;
  double longestAdd = 0;
  application().delivered = 0;
  application().longest = 0;
  std::int64_t rounds = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    history.add(check(world().added++));
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    longestAdd = std::max(longestAdd, seconds);
    state.SetIterationTime(seconds);
    history.waitForSaves();
    ++rounds;
  }
  application().watched = nullptr;
  state.counters["longest_add_ms"] = longestAdd * 1e3;
  state.counters["applied_save_ms"] = application().delivered / static_cast<double>(std::max<std::int64_t>(rounds, 1)) * 1e3;
  state.counters["longest_applied_save_ms"] = application().longest * 1e3;
  state.counters["peak_MiB"] = static_cast<double>(testing::peakMemoryKiB(::getpid())) / 1024;
}
BENCHMARK(windowThreadPerFinishedCheck)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(4);

void wholeSaveUntilWritten(benchmark::State& state) {
  History& history = loaded();
  history.waitForSaves();
  for (auto _ : state) {
    history.add(check(world().added++));
    history.waitForSaves();
  }
}
BENCHMARK(wholeSaveUntilWritten)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace tessorin

int main(int argc, char** argv) {
  tessorin::TimedApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
