// Runs the window's tests inside a QApplication (the card page's charts need Qt Widgets)
// with the views' modules, as the application runs them.

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "card/AppSettingsSingleton.hpp"
#include "session/settings/AppSettings.hpp"
#include "shell/WindowModules.hpp"
#include "theme/style/HouseStyle.hpp"

int main(int argc, char** argv) {
  // The build lists the tests by running this program, where no display is set.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  tessorin::useHouseStyle();
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Tessorin"));
  QApplication::setApplicationName(QStringLiteral("Tessorin"));
  // The settings the views bind (the reinsertion switch), in a folder of the run's own.
  QTemporaryDir folder;
  QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
  tessorin::AppSettings appSettings(settings);
  tessorin::registerAppSettingsSingleton(&appSettings);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
