// Start-up to the window's first frame, with a history of 10,000 checks against none: the
// application model made, the window loaded over it and shown, until Qt Quick has drawn
// its first frame, and until it has drawn one with the whole history in it. The history
// is read on its own thread while the window starts, so the two may differ; a start
// counts only once the history is read whole. The first start of a process also loads
// the views' modules and fonts; it is reported on its own.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include "card/AppSettingsSingleton.hpp"
#include "session/AppModel.hpp"
#include "session/records/History.hpp"
#include "session/settings/AppSettings.hpp"
#include "shell/core/AppDelegate.hpp"
#include "shell/WindowModules.hpp"
#include "theme/SoftwareRasteriser.hpp"
#include "theme/style/HouseStyle.hpp"

namespace tessorin {
namespace {

constexpr int recordCount = 10'000;

// A History.json of 10,000 finished checks, most with a purchase, some shared.
QString writeHistory(const QTemporaryDir& folder) {
  const QString file = folder.filePath(QStringLiteral("History.json"));
  History history(QUrl::fromLocalFile(folder.filePath(QStringLiteral("seed.json"))));
  std::vector<CheckRecord> records;
  for (int i = 0; i < recordCount; ++i) {
    CheckRecord record;
    record.cardName = "CARD " + std::to_string(i);
    record.advertisedBytes = 64'000'000'000;
    record.realBytes = i % 3 == 0 ? std::optional<std::uint64_t>(7'900'000'000) : std::nullopt;
    record.verdict = i % 3 == 0 ? CheckOutcome::Verdict::fake : CheckOutcome::Verdict::genuine;
    record.method = i % 2 == 0 ? CheckOutcome::Method::full : CheckOutcome::Method::quick;
    record.brand = Brand::sandisk;
    record.writeSpeed = 20e6 + i;
    record.readSpeed = 80e6 + i;
    record.date = QDateTime::currentDateTimeUtc().addSecs(-60 * i);
    if (i % 4 != 0) {
      Purchase purchase;
      purchase.store = "Store " + std::to_string(i % 97);
      purchase.platform = Platform::amazon;
      purchase.country = "PT";
      record.purchase = purchase;
    }
    if (i % 10 == 0) record.sharedRecordName = "report-" + std::to_string(i);
    records.push_back(std::move(record));
  }
  // One save of the whole list: the history's file format, as the program writes it.
  nlohmann::json json = nlohmann::json::array();
  for (const CheckRecord& record : records) json.push_back(record);
  QFile out(file);
  out.open(QIODevice::WriteOnly);
  out.write(QByteArray::fromStdString(json.dump()));
  return file;
}

struct Start {
  double firstFrame = -1;    // milliseconds to the window's first frame
  double historyFrame = -1;  // milliseconds to the first frame drawn with the history read
  std::size_t records = 0;
};

// Made, shown and drawn with its history; the engine is the process's one (the settings
// singleton the views bind belongs to one engine); the first start makes it.
Start startOnce(QSettings& settings, const QString& historyFile) {
  static QQmlEngine* engine = nullptr;
  Start start;
  bool readBeforeFrame = false;
  QElapsedTimer clock;
  clock.start();
  AppModel::Sources sources{[](bool) { return std::vector<CardDevice>(); }, [] { return std::set<std::string>(); },
                            false, {}, {}};
  AppModel model(settings, QUrl::fromLocalFile(historyFile), CardSession::Environment{}, sources);
  AppDelegate delegate([] {});
  delegate.setModel(&model);
  if (engine == nullptr) {
    engine = new QQmlEngine;
    engine->addImportPath(QStringLiteral("qrc:/"));
  }
  QQmlComponent component(engine, QUrl(QStringLiteral("qrc:/Tessorin/Shell/MainWindow.qml")));
  std::unique_ptr<QQuickWindow> window(qobject_cast<QQuickWindow*>(component.createWithInitialProperties(
      {{QStringLiteral("model"), QVariant::fromValue<QObject*>(&model)},
       {QStringLiteral("appDelegate"), QVariant::fromValue<QObject*>(&delegate)}})));
  if (window == nullptr) return start;
  History* history = model.history();
  // A frame swapped once the records are in holds them: the history's arrival draws one.
  readBeforeFrame = history->loaded();
  QObject::connect(history, &History::loadedChanged, window.get(), [&] {
    readBeforeFrame = true;
    window->update();
  });
  QEventLoop waiting;
  QObject::connect(window.get(), &QQuickWindow::frameSwapped, &waiting, [&] {
    const double now = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (start.firstFrame < 0) start.firstFrame = now;
    if (readBeforeFrame && start.historyFrame < 0) {
      start.historyFrame = now;
      waiting.quit();
    }
  });
  QTimer::singleShot(60'000, &waiting, &QEventLoop::quit);
  if (start.historyFrame < 0) waiting.exec();
  start.records = history->records().size();
  return start;
}

struct Fixture {
  QTemporaryDir folder;
  QSettings settings{folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
  QString full = writeHistory(folder);
  // No file at all, as on the first start on a computer: an empty history.
  QString none = folder.filePath(QStringLiteral("none/History.json"));
};

Fixture& fixture() {
  static Fixture made;
  return made;
}

const QString& historyOf(int records) { return records == 0 ? fixture().none : fixture().full; }

// Argument: the records in the history, 0 or 10,000.
void BM_StartToFirstFrameWithHistory(benchmark::State& state) {
  const auto records = static_cast<std::size_t>(state.range(0));
  double firstFrames = 0;
  for (auto _ : state) {
    const Start start = startOnce(fixture().settings, historyOf(static_cast<int>(records)));
    if (start.historyFrame < 0 || start.records != records) {
      state.SkipWithError("the window drew no frame with the history, or the history was not read whole");
      return;
    }
    firstFrames += start.firstFrame;
    state.SetIterationTime(start.historyFrame / 1000);
  }
  // The frame with the history is the figure; the window's very first frame beside it.
  state.counters["first_frame_ms"] = benchmark::Counter(firstFrames, benchmark::Counter::kAvgIterations);
}

}  // namespace
}  // namespace tessorin

BENCHMARK(tessorin::BM_StartToFirstFrameWithHistory)
    ->Arg(0)
    ->Arg(tessorin::recordCount)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

int main(int argc, char** argv) {
  // Drawn where a display is, else off screen (Qt Quick's software renderer).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  tessorin::useHouseStyle();
  tessorin::spareTheSoftwareRasteriser();
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Tessorin"));
  QApplication::setApplicationName(QStringLiteral("Tessorin"));
  tessorin::AppSettings appSettings(tessorin::fixture().settings);
  tessorin::registerAppSettingsSingleton(&appSettings);
  // The first start of the process, with the modules, fonts and shaders loaded, over the
  // full history (a user's start).
  const tessorin::Start first = tessorin::startOnce(tessorin::fixture().settings, tessorin::fixture().full);
  std::printf("first start of the process: first frame %.1f ms, first frame with the history %.1f ms (%zu records)\n",
              first.firstFrame, first.historyFrame, first.records);
  if (first.historyFrame < 0 || first.records != static_cast<std::size_t>(tessorin::recordCount)) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
