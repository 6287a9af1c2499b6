// Programs that use the settings file beside the application's tests, each in a process
// of its own as on a desktop:
//   settings_neighbour qsettings <file> <saves> <group>
//     another program saving with QSettings (under its lock, by replacing the file), one new
//     key <group>/<n> a save, about 400 saves a second;
//   settings_neighbour tessorin <file>
//     a run of Tessorin holding its settings, which says "ready" once it does and then
//     waits to be killed;
//   settings_neighbour saving <file>
//     a run of Tessorin that says "ready", then saves a change as fast as it can until it
//     is killed, in the midst of a save.

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QSettings>

#include "shell/core/AppSettingsFile.hpp"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc == 5 && std::strcmp(argv[1], "qsettings") == 0) {
    QSettings settings(QString::fromLocal8Bit(argv[2]), QSettings::IniFormat);
    const int saves = std::stoi(argv[3]);
    for (int save = 1; save <= saves; ++save) {
      settings.setValue(QStringLiteral("%1/%2").arg(QString::fromLocal8Bit(argv[4])).arg(save), save);
      settings.sync();
      if (settings.status() != QSettings::NoError) return 2;
      std::this_thread::sleep_for(std::chrono::microseconds(2500));
    }
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "tessorin") == 0) {
    tessorin::AppSettingsFile file(QString::fromLocal8Bit(argv[2]));
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }
  if (argc == 3 && std::strcmp(argv[1], "saving") == 0) {
    tessorin::AppSettingsFile file(QString::fromLocal8Bit(argv[2]));
    std::printf("ready\n");
    std::fflush(stdout);
    for (int change = 1;; ++change) {
      file.settings().setValue(QStringLiteral("Change"), change);
      file.save();
    }
  }
  std::fprintf(stderr, "usage: settings_neighbour qsettings <file> <saves> <group> | tessorin <file> | saving <file>\n");
  return 1;
}
