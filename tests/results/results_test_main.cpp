// Runs the result display tests inside a QGuiApplication: the badges set their numbers
// in the system's fonts. Without a display the offscreen platform stands in, also when
// the build lists the tests. Texts are compared in American English.

#include <QGuiApplication>
#include <QLocale>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Tessorin"));
  QCoreApplication::setApplicationName(QStringLiteral("Tessorin"));
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
