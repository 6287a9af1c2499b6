#include <QApplication>
#include <QQmlApplicationEngine>
#include <QUrl>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Tessorin_CardPlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_UpdatePlugin)
Q_IMPORT_QML_PLUGIN(Tessorin_ResultsPlugin)

int main(int argc, char* argv[]) {
  // A widget application: Qt Charts draws through Qt Widgets, and the folder dialog of
  // the session's folder access answers "no folder" at once without one.
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tessorin");
  QApplication::setOrganizationName("Tessorin");
  QApplication::setApplicationVersion(QStringLiteral(TESSORIN_VERSION));

  QQmlApplicationEngine engine;
  // The library modules' qmldir files live under qrc:/<URI path>, which Qt 6.4 does not search.
  engine.addImportPath(QStringLiteral("qrc:/"));
  QObject::connect(
      &engine, &QQmlApplicationEngine::objectCreationFailed, &app, [] { QCoreApplication::exit(1); },
      Qt::QueuedConnection);
  engine.load(QUrl(QStringLiteral("qrc:/Tessorin/Main.qml")));
  return app.exec();
}
