#pragma once
// UpdateDialogModel: the presenter of UpdateDialog.qml, the one window of the update
// checker. It shows its checker's latest check: while it runs (with Cancel), up to date,
// a newer release with its notes ("Open Download Page", "Later"), or what went wrong.
// The notes come from a verified feed and are still shown as plain text; the download
// page opens only when the user clicks for it. Texts use the translation context
// "Direct". Main thread.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "shell/update/UpdateChecker.hpp"

namespace tessorin {

class UpdateDialogModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::UpdateChecker* checker READ checker WRITE setChecker NOTIFY checkerChanged)
  Q_PROPERTY(bool shown READ shown NOTIFY changed)
  Q_PROPERTY(bool checking READ checking NOTIFY changed)
  Q_PROPERTY(QString title READ title NOTIFY changed)
  Q_PROPERTY(QString message READ message NOTIFY changed)
  Q_PROPERTY(QString notes READ notes NOTIFY changed)
  Q_PROPERTY(QString acceptTitle READ acceptTitle NOTIFY changed)
  Q_PROPERTY(QString rejectTitle READ rejectTitle NOTIFY changed)

 public:
  explicit UpdateDialogModel(QObject* parent = nullptr);

  UpdateChecker* checker() const { return checker_; }
  void setChecker(UpdateChecker* checker);

  bool shown() const { return check() != nullptr; }
  bool checking() const;
  QString title() const;
  QString message() const;
  QString notes() const;
  // The default button ("Open Download Page" or "OK"); empty while checking.
  QString acceptTitle() const;
  // The other button ("Cancel" while checking, "Later" for a release); empty otherwise.
  QString rejectTitle() const;

  // The default button: opens the download page of an offered release, then closes.
  Q_INVOKABLE void accept();
  // Cancel, Later, Escape or the window's close button.
  Q_INVOKABLE void reject();

 Q_SIGNALS:
  void checkerChanged();
  void changed();

 private:
  const UpdateCheck* check() const;

  QPointer<UpdateChecker> checker_;
};

}  // namespace tessorin
