#include <unistd.h>

#include <chrono>
#include <thread>

#include <QApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QSessionManager>
#include <QUrl>

#include "card/AppSettingsSingleton.hpp"
#include "session/settings/AppSettings.hpp"
#include "shell/core/ShaderCache.hpp"
#include "shell/core/SingleInstance.hpp"
#include "shell/core/TerminationSignals.hpp"
#include "shell/core/TessorinApp.hpp"
#include "shell/WindowModules.hpp"
#include "theme/motion/ReducedMotion.hpp"
#include "theme/SoftwareRasteriser.hpp"
#include "theme/style/HouseStyle.hpp"

namespace {

void raise(QQmlApplicationEngine& engine) {
  for (QObject* root : engine.rootObjects()) {
    if (auto* window = qobject_cast<QQuickWindow*>(root)) {
      if (window->visibility() == QWindow::Minimized) window->showNormal();
      window->show();
      window->raise();
      window->requestActivate();
    }
  }
}

// Long enough for the last save of the history and the community's records.
constexpr auto quitPatience = std::chrono::seconds(10);

// Once the window has gone, the process ends within patience whatever a reader thread
// still waits on (a desktop's tool that does not answer, a file that never ends): the
// objects' destructors wait for their threads, and Qt for its thread pool.
void endWithin(std::chrono::seconds patience, int code) {
  std::thread([patience, code] {
    std::this_thread::sleep_for(patience);
    static const char said[] = "Tessorin: ended without waiting any longer for its reader threads\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, said, sizeof said - 1);
    ::_exit(code);
  }).detach();
}

}  // namespace

int main(int argc, char* argv[]) {
  // Read by the rasteriser as the first window's drawing starts.
  tessorin::spareTheSoftwareRasteriser();
  // A widget application: Qt Charts draws through Qt Widgets, and the folder dialog of
  // the session's folder access answers "no folder" at once without one.
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tessorin");
  QApplication::setOrganizationName("Tessorin");
  QApplication::setApplicationVersion(QStringLiteral(TESSORIN_VERSION));
  // The desktop matches the window to tessorin.desktop by this name (and its icon).
  QGuiApplication::setDesktopFileName(QStringLiteral("tessorin"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/Tessorin/tessorin.svg")));

  // A second Tessorin would check the same card twice and overwrite the history: it asks
  // the first to raise its window and goes.
  tessorin::SingleInstance instance(tessorin::SingleInstance::defaultFolder());
  if (!instance.claim()) return 0;

  // Before any effect looks for its shaders: one Qt could not read would fail every start.
  tessorin::ShaderCache shaderCache(tessorin::ShaderCache::defaultFolder());
  for (const QString& removed : shaderCache.repair()) {
    qInfo("Tessorin: removed a cached shader that could not be read, to be built anew (%s)", qPrintable(removed));
  }

  tessorin::TessorinApp tessorinApp;
  if (const tessorin::AppSettingsFile* settingsFile = tessorinApp.settingsFile(); !settingsFile->notice().isEmpty()) {
    qWarning("Tessorin: %s (%s)", qPrintable(settingsFile->notice()), qPrintable(settingsFile->noticeFile()));
  }
  tessorin::AppDelegate* delegate = tessorinApp.appDelegate();
  // The system does not wait for an answer: SIGINT, SIGTERM and the end of the desktop
  // session stop every check, let it clean up, then quit.
  tessorin::TerminationSignals signals;
  QObject::connect(&signals, &tessorin::TerminationSignals::requested, delegate,
                   [delegate](int) { delegate->terminateFromSystem(); });
  QObject::connect(&app, &QGuiApplication::commitDataRequest, delegate,
                   [delegate](QSessionManager&) { delegate->terminateFromSystem(); });
  // The settings the views bind (the reinsertion switch), over the application's own.
  tessorin::AppSettings appSettings(tessorinApp.settings());
  tessorin::registerAppSettingsSingleton(&appSettings);
  // Closing the window is turned into a quit request; the delegate quits when it may.
  QApplication::setQuitOnLastWindowClosed(false);

  tessorin::useHouseStyle();
  // Whether the desktop asks for stillness, read in the background while the window loads.
  tessorin::ReducedMotion::instance().readFromDesktop();
  QQmlApplicationEngine engine;
  // The library modules' qmldir files live under qrc:/<URI path>, which Qt 6.4 does not search.
  engine.addImportPath(QStringLiteral("qrc:/"));
  QObject::connect(
      &engine, &QQmlApplicationEngine::objectCreationFailed, &app, [] { QCoreApplication::exit(1); },
      Qt::QueuedConnection);
  // The model is made here, on the main thread, as the window that shows it is built.
  engine.setInitialProperties({{QStringLiteral("model"), QVariant::fromValue<QObject*>(tessorinApp.model())},
                               {QStringLiteral("appDelegate"), QVariant::fromValue<QObject*>(delegate)},
                               {QStringLiteral("settingsFile"), QVariant::fromValue<QObject*>(tessorinApp.settingsFile())}});
  engine.load(QUrl(QStringLiteral("qrc:/Tessorin/Main.qml")));
  if (engine.rootObjects().isEmpty()) return 1;
  for (QObject* root : engine.rootObjects()) {
    if (auto* window = qobject_cast<QQuickWindow*>(root)) tessorin::keepTheSoftwareRasteriserSettingToThisProgram(*window);
  }
  // The window is up: from now on a quit asks about busy cards.
  tessorinApp.contentShown();
  QObject::connect(&instance, &tessorin::SingleInstance::raiseRequested, &engine, [&engine] { raise(engine); });
  const int code = app.exec();
  endWithin(quitPatience, code);
  return code;
}
