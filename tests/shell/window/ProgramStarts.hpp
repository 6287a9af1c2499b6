#pragma once
// The built program started as a user would, on the X server the test runs under
// (with-xvfb), in a home of its own: its environment, its window found, a wait for what it
// is to do.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

namespace tessorin::testing {

// What the program printed, or "" when it did not finish in time.
inline QString run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(10'000)) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

// The id of the program's top-level window ("tessorin" class, any title), or "".
inline QString tessorinWindow() {
  static const QRegularExpression line(QStringLiteral(R"(^\s*(0x[0-9a-f]+) .*\("tessorin" "Tessorin"\)\s+(\d+)x(\d+))"),
                                       QRegularExpression::MultilineOption);
  const QString tree = run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
  auto matches = line.globalMatch(tree);
  while (matches.hasNext()) {
    const auto match = matches.next();
    if (match.captured(2).toInt() >= 900 && match.captured(3).toInt() >= 640) return match.captured(1);
  }
  return {};
}

// Polls until done, or until the deadline (far beyond a start that works) has passed.
inline bool waitFor(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > milliseconds) return false;
    QThread::msleep(100);
  }
  return true;
}

// The program's settings, data and runtime folders in home, made there, on the X server.
inline QProcessEnvironment environmentIn(const QTemporaryDir& home) {
  for (const char* folder : {"runtime", "config/Tessorin", "config/dconf", "data/Tessorin/Tessorin", "cache"}) {
    QDir(home.path()).mkpath(folder);
  }
  QFile::setPermissions(home.filePath("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath("runtime"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath("config"));
  environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath("data"));
  environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath("cache"));
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  environment.remove(QStringLiteral("QT_QUICK_BACKEND"));
  return environment;
}

}  // namespace tessorin::testing
