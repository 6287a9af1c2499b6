// One advanced-test report at the end of writing (300 write samples, a whole map) from
// CardSession::applyFullProgress to the updated presenters and chart series: the main
// thread's time for it, and how many recomputations it caused (one is the design).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QAreaSeries>
#include <QChart>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QSettings>
#include <QTemporaryDir>
#include <QValueAxis>

#include "card/progress/FullProgressPanelModel.hpp"
#include "card/charts/SpeedChartModel.hpp"
#include "session/check/CardSession.hpp"
#include "session/records/History.hpp"

namespace tessorin {
namespace {

constexpr std::uint64_t total = 64'000'000'000;
constexpr int samples = 300;

FullTest::Progress writingReport(int sampleCount, int firstSample) {
  FullTest::Progress report;
  report.phase = FullTest::Progress::Phase::writing;
  report.bytesTotal = total;
  report.bytesDone = total / samples * static_cast<std::uint64_t>(firstSample + sampleCount);
  report.bytesPerSecond = 21e6;
  report.map = CapacityMap(total);
  report.map.markWritten(0, report.bytesDone);
  for (int i = firstSample; i < firstSample + sampleCount; ++i) {
    report.newSamples.push_back({total / samples * static_cast<std::uint64_t>(i + 1), 20e6 + (i % 7) * 1e6});
  }
  return report;
}

// The session, the panel's presenter and a chart of the panel's three series, wired as
// the views wire them.
struct World {
  QTemporaryDir folder;
  QSettings settings{folder.filePath("settings.ini"), QSettings::IniFormat};
  History history{QUrl::fromLocalFile(folder.filePath("History.json"))};
  CardSession session;
  FullProgressPanelModel panel;
  SpeedChartModel chartModel;
  QChart chart;
  QLineSeries* upper = new QLineSeries;
  QAreaSeries* area = new QAreaSeries(upper);
  QLineSeries* writeLine = new QLineSeries;
  QLineSeries* readLine = new QLineSeries;
  QValueAxis* x = new QValueAxis;
  QValueAxis* y = new QValueAxis;

  static CardDevice device() {
    CardDevice card;
    card.id = "BENCH";
    card.volumeURL = "/nonexistent/BENCH";
    card.mediaBytes = total;
    return card;
  }

  World() : session(device(), &history, settings, CardSession::Environment{}) {
    chart.resize(760, 150);
    for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{area, writeLine, readLine}) {
      chart.addSeries(series);
    }
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart.series()) {
      series->attachAxis(x);
      series->attachAxis(y);
    }
    chartModel.setWriteArea(area);
    chartModel.setWriteLine(writeLine);
    chartModel.setReadLine(readLine);
    chartModel.setAxisX(x);
    chartModel.setAxisY(y);
    QObject::connect(&panel, &FullProgressPanelModel::changed, &chartModel,
                     [this] { chartModel.setInput(panel.chartInput()); });
    session.setStage(CardSessionStage::full(FullTest::Progress::Phase::writing));
    panel.setSession(&session);
    session.applyFullProgress(writingReport(samples - 1, 0));
    QCoreApplication::processEvents();
  }
};

void BM_AdvancedReportToPresentersAndChart(benchmark::State& state) {
  const FullTest::Progress last = writingReport(1, samples - 1);
  int recomputations = 0;
  int reports = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto world = std::make_unique<World>();
    const int before = world->panel.recomputations();
    state.ResumeTiming();
    QElapsedTimer clock;
    clock.start();
    world->session.applyFullProgress(last);
    QCoreApplication::processEvents();
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    state.PauseTiming();
    recomputations += world->panel.recomputations() - before;
    ++reports;
    if (world->panel.chartInput().write.size() != samples) state.SkipWithError("the chart did not get the samples");
    world.reset();
    state.ResumeTiming();
  }
  state.counters["recomputations_per_report"] = static_cast<double>(recomputations) / reports;
  if (recomputations != reports) state.SkipWithError("a report caused more or fewer than one recomputation");
}
BENCHMARK(BM_AdvancedReportToPresentersAndChart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
}  // namespace tessorin

int main(int argc, char** argv) {
  // Charts are widgets; no display is needed to lay them out.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
