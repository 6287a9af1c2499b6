#pragma once
// PermissionGuideViewModel: the folder-access guide's presenter. It reads the card's name
// and the pending request of the session each time they change and words the guide
// from them; its two actions hand over to the session. While the session's folder dialog
// is open both actions do nothing, so one Continue opens one dialog.
//
// Main thread only.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "session/check/CardSession.hpp"

namespace tessorin {

class PermissionGuideViewModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(tessorin::CardSession* session READ session WRITE setSession NOTIFY sessionChanged)
  Q_PROPERTY(QString cardName READ cardName NOTIFY textsChanged)
  Q_PROPERTY(QString title READ title NOTIFY textsChanged)
  Q_PROPERTY(QString explanation READ explanation CONSTANT)
  Q_PROPERTY(QStringList steps READ steps NOTIFY textsChanged)
  Q_PROPERTY(bool pickedWrongFolder READ pickedWrongFolder NOTIFY textsChanged)
  Q_PROPERTY(QString wrongFolderWarning READ wrongFolderWarning NOTIFY textsChanged)
  Q_PROPERTY(QString cancelText READ cancelText CONSTANT)
  Q_PROPERTY(QString continueText READ continueText NOTIFY textsChanged)
  Q_PROPERTY(bool choosingFolder READ choosingFolder NOTIFY textsChanged)

 public:
  explicit PermissionGuideViewModel(QObject* parent = nullptr);

  CardSession* session() const { return session_; }
  void setSession(CardSession* session);

  QString cardName() const;
  QString title() const;
  QString explanation() const;
  QStringList steps() const;
  // False with no request, as for a first request.
  bool pickedWrongFolder() const;
  QString wrongFolderWarning() const;
  QString cancelText() const;
  // "Try Again" after a wrong pick, else "Continue".
  QString continueText() const;
  bool choosingFolder() const;

  // Drops the request; its action never runs.
  Q_INVOKABLE void cancel();
  // Hands over to the session's folder dialog.
  Q_INVOKABLE void proceed();

 Q_SIGNALS:
  void sessionChanged();
  void textsChanged();

 private:
  QPointer<CardSession> session_;
};

}  // namespace tessorin
