#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QUrl>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Tessorin_UpdatePlugin)

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  QGuiApplication::setApplicationName("Tessorin");
  QGuiApplication::setOrganizationName("Tessorin");
  QGuiApplication::setApplicationVersion(QStringLiteral(TESSORIN_VERSION));

  QQmlApplicationEngine engine;
  // The library modules' qmldir files live under qrc:/<URI path>, which Qt 6.4 does not search.
  engine.addImportPath(QStringLiteral("qrc:/"));
  QObject::connect(
      &engine, &QQmlApplicationEngine::objectCreationFailed, &app, [] { QCoreApplication::exit(1); },
      Qt::QueuedConnection);
  engine.load(QUrl(QStringLiteral("qrc:/Tessorin/Main.qml")));
  return app.exec();
}
