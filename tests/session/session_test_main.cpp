// Runs the session tests inside a QCoreApplication, as the application runs the code.

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Tessorin"));
  QCoreApplication::setApplicationName(QStringLiteral("Tessorin"));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
