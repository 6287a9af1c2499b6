// Runs a shell test inside a QApplication on the offscreen platform: the folder dialog is
// a widget and needs one, and no display is needed to look at how it is opened.

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Tessorin"));
  QCoreApplication::setApplicationName(QStringLiteral("Tessorin"));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
