// The window at rest: how much of a core the process uses, and how many frames it draws,
// while the user only looks at a page. The real window over real sessions (the gallery's
// cards, checks finished through the session's own finish), drawn with OpenGL on an X
// server in memory, as the application draws on a desktop without a graphics card (Mesa's
// software rasteriser, whose threads count towards the process).
//
// Each page is shown in a fresh, active window, left to settle (the page's entrance, the
// verdict's first bounce), then measured over 20 seconds without input, as a user who
// only looks at it leaves it: an endless motion runs all that while. Measured are the
// whole process's CPU time (every thread's: the main thread, the render thread and the
// rasteriser's) over the wall time, and the frames swapped. Run it as it is for OpenGL on
// Mesa's rasteriser, and with QT_QUICK_BACKEND=software for Qt Quick's own. Names of pages
// as arguments measure those pages only ("verdict").
//
// Targets: a page where nothing moves uses at most 2 % of a core; one whose endless motion
// runs (the no-card picture's arrow, the verdict's ring, the sweep and spinner of a check)
// or whose progress arrives (once a second) at most 25 %. Exits 1 when a target is
// missed. Starts its own X server (xvfb-run) when none is set.

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTimer>

#include "FinishedCheckSeam.hpp"
#include "GalleryEngineValues.hpp"
#include "GalleryWorld.hpp"
#include "card/AppSettingsSingleton.hpp"
#include "session/settings/AppSettings.hpp"
#include "shell/WindowModules.hpp"
#include "theme/SoftwareRasteriser.hpp"
#include "theme/style/HouseStyle.hpp"

namespace tessorin {
namespace {

using gallery::GalleryWorld;

constexpr std::uint64_t GB = 1'000'000'000;
constexpr std::uint64_t MB = 1'000'000;
constexpr double MBps = 1e6;

constexpr int settleMilliseconds = 3000;
constexpr int measureMilliseconds = 20'000;
constexpr double restTargetPercent = 2;
constexpr double motionTargetPercent = 25;

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Sleeps in the event loop, as the application does between events: a loop that polls
// would be measured instead of the window.
void turnLoopFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

QObject* findShown(QQuickItem* item, const QString& name) {
  if (item->objectName() == name) return item;
  for (QQuickItem* child : item->childItems()) {
    if (QObject* found = findShown(child, name)) return found;
  }
  return nullptr;
}

CardDevice card(std::string name) {
  CardDevice device = GalleryWorld::builtInCard(64 * GB, "SDXC");
  device.volumeName = std::move(name);
  return device;
}

void finishGenuine(AppModel* model, const CardDevice& device) {
  const ZoneResult speeds = gallery::zone(40 * MBps, 90 * MBps);
  FinishedCheckSeam::finish(*model->session(device.id),
                            {.quick = gallery::quick(64 * GB, 16, 16, speeds),
                             .full = gallery::atSpeedsOf(gallery::full(63'800 * MB, 63'800 * MB), speeds)});
}

AppModel* withHistory(GalleryWorld& world) {
  AppModel* model = world.appModel({});
  for (int day = 0; day < 40; ++day) {
    CheckRecord record;
    record.cardName = "CARD " + std::to_string(day);
    record.verdict = day % 3 == 0 ? CheckOutcome::Verdict::fake : CheckOutcome::Verdict::genuine;
    record.advertisedBytes = 64 * GB;
    record.realBytes = day % 3 == 0 ? std::optional<std::uint64_t>(7'900 * MB) : std::nullopt;
    record.writeSpeed = 20 * MBps;
    record.readSpeed = 80 * MBps;
    record.date = QDateTime::currentDateTimeUtc().addDays(-day);
    model->history()->add(record);
  }
  return model;
}

// A page as the user leaves it: the model it shows and what is done to the window once
// it has settled (scrolled, minimised).
struct Page {
  const char* name;
  bool restTarget;  // nothing of it is meant to move
  std::function<AppModel*(GalleryWorld&)> model;
  std::function<void(QQuickWindow&)> leave = [](QQuickWindow&) {};
  // Done once a second while the page is shown: a check's progress arriving.
  std::function<void()> everySecond = {};
};

AppModel* verdictShown(GalleryWorld& world) {
  const CardDevice device = card("GENUINE");
  AppModel* model = world.appModel({device});
  finishGenuine(model, device);
  model->setSelection(AppModel::Selection::card(device.id));
  return model;
}

// The card page scrolled to its end, where the verdict's seal lies above the viewport.
void scrollToEnd(QQuickWindow& window) {
  auto* scroll = qobject_cast<QQuickItem*>(findShown(window.contentItem(), QStringLiteral("pageScroll")));
  auto* flickable = scroll ? scroll->property("contentItem").value<QQuickItem*>() : nullptr;
  if (flickable == nullptr) return;
  const qreal end = flickable->property("contentHeight").toReal() - flickable->height();
  flickable->setProperty("contentY", std::max<qreal>(0, end));
}

// Where the verdict's seal lies in the page's viewport: "in sight", "out of sight" or "none".
const char* sealPlace(QQuickWindow& window) {
  auto* seal = qobject_cast<QQuickItem*>(findShown(window.contentItem(), QStringLiteral("verdictSeal")));
  auto* scroll = qobject_cast<QQuickItem*>(findShown(window.contentItem(), QStringLiteral("pageScroll")));
  if (seal == nullptr || scroll == nullptr || !seal->isVisible()) return "none";
  const QRectF sealRect = seal->mapRectToScene(seal->boundingRect());
  const QRectF viewport = scroll->mapRectToScene(scroll->boundingRect());
  return sealRect.intersects(viewport) ? "in sight" : "out of sight";
}

// An advanced test writing a 64 GB card, its progress reported once a second.
struct WritingCheck {
  CardSession* session = nullptr;
  std::uint64_t done = 0;
  static constexpr std::uint64_t total = 63'800 * MB;

  void report() {
    if (session == nullptr) return;
    done = std::min(total, done + 20 * MB);
    FullTest::Progress progress;
    progress.phase = FullTest::Progress::Phase::writing;
    progress.bytesTotal = total;
    progress.bytesDone = done;
    progress.bytesPerSecond = 20 * MBps;
    CapacityMap map(total);
    map.markWritten(0, done);
    progress.map = map;
    progress.newSamples = {{done, 20 * MBps}};
    session->applyFullProgress(progress);
  }
};

WritingCheck& writingCheck() {
  static WritingCheck check;
  return check;
}

const std::vector<Page>& pages() {
  static const std::vector<Page> made{
      {"no card", false, [](GalleryWorld& world) { return world.appModel({}); }},
      {"card at rest", true,
       [](GalleryWorld& world) {
         const CardDevice device = card("NEW CARD");
         AppModel* model = world.appModel({device});
         model->setSelection(AppModel::Selection::card(device.id));
         return model;
       }},
      {"verdict", false, verdictShown},
      {"verdict scrolled out of sight", true, verdictShown, scrollToEnd},
      {"history", true,
       [](GalleryWorld& world) {
         AppModel* model = withHistory(world);
         model->setSelection(AppModel::Selection::history());
         return model;
       }},
      {"community", true,
       [](GalleryWorld& world) {
         AppModel* model = world.appModel({});
         model->setSelection(AppModel::Selection::community());
         return model;
       }},
      {"verdict, window minimised", true, verdictShown, [](QQuickWindow& window) { window.showMinimized(); }},
      {"no card, window minimised", true, [](GalleryWorld& world) { return world.appModel({}); },
       [](QQuickWindow& window) { window.showMinimized(); }},
      {"advanced test writing", false,
       [](GalleryWorld& world) {
         const CardDevice device = card("WRITING");
         AppModel* model = world.appModel({device});
         model->setSelection(AppModel::Selection::card(device.id));
         writingCheck() = {model->session(device.id)};
         writingCheck().session->setStage(CardSessionStage::full(FullTest::Progress::Phase::preparing));
         writingCheck().report();
         return model;
       },
       [](QQuickWindow&) {}, [] { writingCheck().report(); }},
  };
  return made;
}

struct Measurement {
  double cpuPercent = -1;
  double framesPerSecond = -1;
};

Measurement measureFor(QQuickWindow& window, int milliseconds) {
  int frames = 0;
  const auto counting = QObject::connect(&window, &QQuickWindow::frameSwapped, [&frames] { ++frames; });
  const double cpuBefore = processCpuSeconds();
  QElapsedTimer clock;
  clock.start();
  turnLoopFor(milliseconds);
  const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  QObject::disconnect(counting);
  return {100 * (processCpuSeconds() - cpuBefore) / wall, frames / wall};
}

struct PageMeasurement {
  Measurement measured;
  std::string note;
};

// The engine is the run's one: the settings singleton the views bind belongs to one engine.
PageMeasurement measure(QQmlEngine& engine, GalleryWorld& world, const Page& page) {
  AppModel* model = page.model(world);
  QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/Tessorin/Shell/MainWindow.qml")));
  std::unique_ptr<QQuickWindow> window(qobject_cast<QQuickWindow*>(component.createWithInitialProperties(
      {{QStringLiteral("model"), QVariant::fromValue<QObject*>(model)},
       {QStringLiteral("appDelegate"), QVariant::fromValue<QObject*>(world.appDelegate(model))}})));
  PageMeasurement result;
  if (window == nullptr) {
    result.note = component.errorString().toStdString();
    return result;
  }
  window->requestActivate();
  QTimer reports;
  if (page.everySecond) {
    QObject::connect(&reports, &QTimer::timeout, page.everySecond);
    reports.start(1000);
  }
  turnLoopFor(settleMilliseconds / 2);
  page.leave(*window);
  turnLoopFor(settleMilliseconds / 2);
  result.note = std::string("seal ") + sealPlace(*window) + (window->isActive() ? "" : ", window not active");
  result.measured = measureFor(*window, measureMilliseconds);
  return result;
}

// The bench runs on an X server; without one it starts itself again under xvfb-run.
void runOnAnXServer(int argc, char** argv) {
  if (!qEnvironmentVariableIsEmpty("DISPLAY")) return;
  std::vector<char*> command{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"), const_cast<char*>("-s"),
                             const_cast<char*>("-screen 0 1920x1200x24")};
  for (int i = 0; i < argc; ++i) command.push_back(argv[i]);
  command.push_back(nullptr);
  execvp("xvfb-run", command.data());
  std::perror("xvfb-run");
  std::exit(2);
}

}  // namespace
}  // namespace tessorin

int main(int argc, char** argv) {
  tessorin::runOnAnXServer(argc, argv);
  // Qt warns about a runtime folder it does not own; the bench brings its own.
  QTemporaryDir runtimeFolder;
  QFile::setPermissions(runtimeFolder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", runtimeFolder.path().toLocal8Bit());
  qputenv("QT_QPA_PLATFORM", "xcb");
  tessorin::useHouseStyle();
  tessorin::spareTheSoftwareRasteriser();
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Tessorin"));
  QApplication::setApplicationName(QStringLiteral("Tessorin"));

  tessorin::gallery::GalleryWorld world;
  tessorin::AppSettings appSettings(world.settings());
  tessorin::registerAppSettingsSingleton(&appSettings);

  QQmlEngine engine;
  engine.addImportPath(QStringLiteral("qrc:/"));
  QStringList only = QApplication::arguments().mid(1);
  int status = 0;
  std::printf("%-32s %8s %10s\n", "page", "cpu %", "frames/s");
  for (const tessorin::Page& page : tessorin::pages()) {
    if (!only.isEmpty() && !only.contains(QLatin1String(page.name))) continue;
    const tessorin::PageMeasurement result = tessorin::measure(engine, world, page);
    const double limit = page.restTarget ? tessorin::restTargetPercent : tessorin::motionTargetPercent;
    const bool met = result.measured.cpuPercent >= 0 && result.measured.cpuPercent <= limit;
    std::printf("%-32s %8.1f %10.1f  %s (at most %.0f %%; %s)\n", page.name, result.measured.cpuPercent,
                result.measured.framesPerSecond, met ? "target met" : "TARGET MISSED", limit, result.note.c_str());
    std::fflush(stdout);
    if (!met) status = 1;
  }
  return status;
}
