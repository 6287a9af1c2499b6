#pragma once
// WindowMenusModel: the words of the window's menus: the application menu (About, Quit)
// and the Help menu, whose one item opens How It Works; and the About box's line, the
// application's name and version, and its one button.

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class WindowMenusModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString applicationMenuTitle READ applicationMenuTitle CONSTANT)
  Q_PROPERTY(QString aboutTitle READ aboutTitle CONSTANT)
  Q_PROPERTY(QString aboutText READ aboutText CONSTANT)
  Q_PROPERTY(QString aboutDescription READ aboutDescription CONSTANT)
  Q_PROPERTY(QString okTitle READ okTitle CONSTANT)
  Q_PROPERTY(QString quitTitle READ quitTitle CONSTANT)
  Q_PROPERTY(QString helpMenuTitle READ helpMenuTitle CONSTANT)
  Q_PROPERTY(QString howItWorksTitle READ howItWorksTitle CONSTANT)

 public:
  using QObject::QObject;

  // A menu's title names the letter that opens it with Alt ("&").
  QString applicationMenuTitle() const { return QStringLiteral("&Tessorin"); }
  QString aboutTitle() const { return tr("About Tessorin"); }
  QString aboutText() const { return tr("Tessorin %1").arg(QCoreApplication::applicationVersion()); }
  QString aboutDescription() const {
    return tr("Finds out whether an SD card or USB drive really holds what its label says, and how fast it really "
              "is.");
  }
  QString okTitle() const { return tr("OK"); }
  QString quitTitle() const { return tr("Quit Tessorin"); }
  QString helpMenuTitle() const { return tr("&Help"); }
  QString howItWorksTitle() const { return tr("How Tessorin Works"); }
};

}  // namespace tessorin
