// What the community screen recomputes at every change (a keystroke in the search, a
// flag, a fetch) over the most reports one fetch holds: the store summaries for a search
// text and a country, the visible reports behind the totals, the country list, and the
// whole screen presenter's update. The frame's budget is 16 ms; each should take a few.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>

#include "community/store/CommunityStore.hpp"
#include "community/view/CommunityViewModel.hpp"

namespace tessorin {
namespace {

constexpr int reportCount = 2400;

// A back end that keeps what is shared in memory, stamping each record as a server
// would: its own time and one of 300 authors.
class MemoryRecordStore final : public RecordStore {
 public:
  bool isUsable() const override { return true; }
  QCoro::Task<QueryPage> query(RecordQuery) override { co_return QueryPage{}; }
  QCoro::Task<std::optional<Record>> save(Record record) override {
    ++saved_;
    record.creationDate = QDateTime::fromSecsSinceEpoch(1'700'000'000 + saved_ * 60, Qt::UTC);
    record.creator = QStringLiteral("AUTHOR-%1").arg(saved_ % 300);
    co_return record;
  }
  QCoro::Task<AccountStatus> accountStatus() override { co_return AccountStatus::available; }

 private:
  int saved_ = 0;
};

struct FilledStore {
  QTemporaryDir folder;
  QSettings settings{folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
  CommunityStore store{settings, std::make_unique<MemoryRecordStore>()};

  FilledStore() {
    static const char* const countries[] = {"PT", "BR", "US", "DE", "FR", "ES", "IT", "JP", "CN", "IN",
                                            "MX", "AR", "PL", "KR", "GB", "NL", "SE", "TR", "ID", "VN"};
    for (int i = 0; i < reportCount; ++i) {
      CheckRecord check;
      check.advertisedBytes = 64'000'000'000;
      check.verdict = static_cast<CheckOutcome::Verdict::Value>(i % 5);
      Purchase purchase;
      purchase.store = "Shop " + std::to_string(i % 600) + (i % 3 ? " Cards" : " Électronique");
      purchase.platform = Platform::allCases()[static_cast<std::size_t>(i % 8)];
      purchase.country = countries[i % 20];
      purchase.city = "City";
      // Shares resolve at once on this back end; the task has ended when the call returns.
      store.share(check, purchase);
    }
    // Flags and blocks, so that visibility does some work.
    for (int i = 0; i < 40; ++i) store.block(QStringLiteral("AUTHOR-%1").arg(i));
  }
};

FilledStore& filled() {
  static FilledStore store;
  return store;
}

void Summaries(benchmark::State& state) {
  const CommunityStore& store = filled().store;
  const std::optional<QString> country = QStringLiteral("PT");
  for (auto _ : state) benchmark::DoNotOptimize(store.summaries(QStringLiteral("  SHOP 1 "), country));
  state.counters["reports"] = static_cast<double>(store.reports().size());
}

void VisibleReports(benchmark::State& state) {
  const CommunityStore& store = filled().store;
  for (auto _ : state) benchmark::DoNotOptimize(store.visibleReports());
}

void Countries(benchmark::State& state) {
  const CommunityStore& store = filled().store;
  for (auto _ : state) benchmark::DoNotOptimize(store.countries());
}

// A keystroke in the search field: summaries, totals, country rows and the list model.
void ScreenUpdate(benchmark::State& state) {
  CommunityViewModel screen;
  screen.setStore(&filled().store);
  screen.setCountryCode(QStringLiteral("PT"));
  bool longer = false;
  for (auto _ : state) {
    screen.setSearch(longer ? QStringLiteral("shop 1") : QStringLiteral("shop 12"));
    longer = !longer;
  }
}

BENCHMARK(Summaries)->Unit(benchmark::kMillisecond);
BENCHMARK(VisibleReports)->Unit(benchmark::kMillisecond);
BENCHMARK(Countries)->Unit(benchmark::kMillisecond);
BENCHMARK(ScreenUpdate)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessorin

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
