// Runs the card page tests inside a QApplication, with the modules' plugins, the one
// reinsertion setting the toggles bind (over settings of the run's own) and animations
// off, so that what a test waits for is the session, not an easing curve.

#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <gtest/gtest.h>

#include "card/AppSettingsSingleton.hpp"
#include "theme/motion/Motion.hpp"
#include "session/settings/AppSettings.hpp"
#include "theme/style/HouseStyle.hpp"

Q_IMPORT_QML_PLUGIN(Tessorin_ThemePlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_CardPlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_ResultsPlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_GuidesPlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_CommunityPlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_Theme_StylePlugin)

int main(int argc, char** argv) {
  // The build lists the tests by running this program, where no display is set.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Tessorin"));
  QApplication::setApplicationName(QStringLiteral("Tessorin"));
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  tessorin::Motion::setEnabled(false);
  tessorin::useHouseStyle();
  QTemporaryDir folder;
  QSettings settings(folder.filePath(QStringLiteral("app.ini")), QSettings::IniFormat);
  tessorin::AppSettings appSettings(settings);
  tessorin::registerAppSettingsSingleton(&appSettings);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
