#pragma once
// ErasingPanelModel: the two lines of the panel shown while a card is erased before its
// check. Nothing to compute; the wording lives here so that it can be translated and read
// by tests.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class ErasingPanelModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(QString detail READ detail CONSTANT)

 public:
  using QObject::QObject;

  QString title() const { return tr("Erasing the card…"); }
  QString detail() const { return tr("Then the check starts on its own, over the whole card."); }
};

}  // namespace tessorin
