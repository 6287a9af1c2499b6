// Start-up to the window's first frame with a history of 10,000 checks, which the model
// reads on the main thread as it starts: the application model made, the window loaded
// over it and shown, until Qt Quick has drawn its first frame. The first start of a
// process also loads the views' modules and fonts; it is reported on its own.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>

#include "card/AppSettingsSingleton.hpp"
#include "session/AppModel.hpp"
#include "session/records/History.hpp"
#include "session/settings/AppSettings.hpp"
#include "shell/core/AppDelegate.hpp"
#include "shell/WindowModules.hpp"
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

// Made, shown and drawn once; milliseconds. The engine is the process's one (the settings
// singleton the views bind belongs to one engine); the first start makes it.
double startOnce(QSettings& settings, const QString& historyFile, std::size_t* records) {
  static QQmlEngine* engine = nullptr;
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
  if (window == nullptr) return -1;
  bool drawn = false;
  QObject::connect(window.get(), &QQuickWindow::frameSwapped, [&drawn] { drawn = true; });
  while (!drawn && clock.elapsed() < 30'000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  *records = model.history()->records().size();
  return drawn ? elapsed : -1;
}

struct Fixture {
  QTemporaryDir folder;
  QSettings settings{folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
  QString history = writeHistory(folder);
};

Fixture& fixture() {
  static Fixture made;
  return made;
}

void BM_StartToFirstFrameWith10000Records(benchmark::State& state) {
  for (auto _ : state) {
    std::size_t records = 0;
    const double milliseconds = startOnce(fixture().settings, fixture().history, &records);
    if (milliseconds < 0 || records != static_cast<std::size_t>(recordCount)) {
      state.SkipWithError("the window drew no frame, or the history was not read whole");
      return;
    }
    state.SetIterationTime(milliseconds / 1000);
  }
}

}  // namespace
}  // namespace tessorin

BENCHMARK(tessorin::BM_StartToFirstFrameWith10000Records)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

int main(int argc, char** argv) {
  // Drawn where a display is, else off screen (Qt Quick's software renderer).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  tessorin::useHouseStyle();
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Tessorin"));
  QApplication::setApplicationName(QStringLiteral("Tessorin"));
  tessorin::AppSettings appSettings(tessorin::fixture().settings);
  tessorin::registerAppSettingsSingleton(&appSettings);
  // The first start of the process, with the modules, fonts and shaders loaded.
  std::size_t records = 0;
  const double first = tessorin::startOnce(tessorin::fixture().settings, tessorin::fixture().history, &records);
  std::printf("first start of the process to the first frame: %.1f ms (%zu records)\n", first, records);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
