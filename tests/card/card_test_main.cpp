// Runs the card tests inside a QGuiApplication, as the application runs the code.

#include <QGuiApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // The build lists the tests by running this program, where no display is set.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QGuiApplication::setOrganizationName(QStringLiteral("Tessorin"));
  QGuiApplication::setApplicationName(QStringLiteral("Tessorin"));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
