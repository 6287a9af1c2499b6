// The software rasteriser's thread count is the application's own: its window draws with
// two llvmpipe threads, and a program it starts does not inherit LP_NUM_THREADS, unless
// the user set it. Mesa reads the variable once per process, so each case is a process
// of its own: this program started again with --show-window, on the X server of with-xvfb.

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QQuickWindow>
#include <QSet>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

#include "theme/SoftwareRasteriser.hpp"

namespace {

// Threads are named "llvmpipe-<n>" by Mesa, the same names again for every further context.
int llvmpipeThreads() {
  QSet<QByteArray> names;
  const QDir tasks(QStringLiteral("/proc/self/task"));
  for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile name(tasks.filePath(task + QStringLiteral("/comm")));
    if (name.open(QIODevice::ReadOnly) && name.peek(9) == "llvmpipe-") names.insert(name.readAll().trimmed());
  }
  return static_cast<int>(names.size());
}

// What a program started from here is given, as the application starts one: with the
// process's environment, or, before the first frame, with the one made for it.
QByteArray childsThreadsVariable(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
  QProcess child;
  child.setProcessEnvironment(environment);
  child.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("printf %s \"${LP_NUM_THREADS-unset}\"")});
  child.waitForFinished(30'000);
  return child.readAllStandardOutput();
}

// Shows a window as the application does, and once it has drawn, prints what was seen.
int showWindow(int argc, char** argv) {
  tessorin::spareTheSoftwareRasteriser();
  QGuiApplication app(argc, argv);
  QQuickWindow window;
  window.resize(320, 240);
  window.setColor(Qt::darkGreen);
  tessorin::keepTheSoftwareRasteriserSettingToThisProgram(window);
  const QByteArray early = childsThreadsVariable(tessorin::environmentForStartedPrograms());
  int frames = 0;
  // Connected after the program's own handler, so it comes after it.
  QObject::connect(&window, &QQuickWindow::frameSwapped, &app, [&] {
    if (++frames == 1) window.update();
    if (frames != 2) return;
    std::printf("graphics=%d threads=%d child=%s early=%s\n", static_cast<int>(window.rendererInterface()->graphicsApi()),
                llvmpipeThreads(), childsThreadsVariable().constData(), early.constData());
    app.quit();
  }, Qt::QueuedConnection);
  window.show();
  QTimer::singleShot(60'000, &app, [] { QCoreApplication::exit(2); });
  return app.exec();
}

QByteArray seenWith(const QString& userThreads) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("LP_NUM_THREADS"));
  if (!userThreads.isEmpty()) environment.insert(QStringLiteral("LP_NUM_THREADS"), userThreads);
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  environment.insert(QStringLiteral("QT_QUICK_BACKEND"), QString());
  environment.insert(QStringLiteral("LIBGL_ALWAYS_SOFTWARE"), QStringLiteral("1"));
  QProcess shown;
  shown.setProcessEnvironment(environment);
  shown.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  shown.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--show-window")});
  EXPECT_TRUE(shown.waitForFinished(120'000));
  EXPECT_EQ(shown.exitCode(), 0);
  return shown.readAllStandardOutput().trimmed();
}

TEST(SoftwareRasteriser, TheWindowDrawsWithTwoThreadsAndStartedProgramsDoNotInheritTheSetting) {
  const QByteArray seen = seenWith(QString());
  ASSERT_TRUE(seen.startsWith("graphics=" + QByteArray::number(static_cast<int>(QSGRendererInterface::OpenGL))))
      << "not drawn with OpenGL: " << seen.toStdString();
  EXPECT_EQ(seen.mid(seen.indexOf(" threads=")).toStdString(), " threads=2 child=unset early=unset");
}

TEST(SoftwareRasteriser, TheUsersOwnThreadCountIsUsedAndPassedOn) {
  const QByteArray seen = seenWith(QStringLiteral("3"));
  ASSERT_TRUE(seen.startsWith("graphics=" + QByteArray::number(static_cast<int>(QSGRendererInterface::OpenGL))))
      << "not drawn with OpenGL: " << seen.toStdString();
  EXPECT_EQ(seen.mid(seen.indexOf(" threads=")).toStdString(), " threads=3 child=3 early=3");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--show-window") == 0) return showWindow(argc, argv);
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
