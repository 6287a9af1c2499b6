#pragma once
// DirectCommandsModel: the presenter of DirectCommands.qml, the application menu's
// "Check for Updates…" item. The item is enabled exactly while its Updater's canCheck
// is true; choosing it asks the Updater's checker for a check, and does nothing while
// the Updater has no checker yet. Main thread.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "shell/update/Updater.hpp"

namespace tessorin {

class DirectCommandsModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::Updater* updater READ updater WRITE setUpdater NOTIFY updaterChanged)
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(bool enabled READ enabled NOTIFY enabledChanged)

 public:
  explicit DirectCommandsModel(QObject* parent = nullptr);

  Updater* updater() const { return updater_; }
  void setUpdater(Updater* updater);

  QString title() const;
  bool enabled() const { return updater_ && updater_->canCheck(); }

  Q_INVOKABLE void trigger();

 Q_SIGNALS:
  void updaterChanged();
  void enabledChanged();

 private:
  QPointer<Updater> updater_;
};

}  // namespace tessorin
