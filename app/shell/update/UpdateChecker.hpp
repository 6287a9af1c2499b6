#pragma once
// UpdateChecker: checks, when the user asks, whether a newer release than this one has
// been published. It fetches the feed (FeedDownload), believes nothing in it before the
// envelope's signature verifies with the build's key, and offers a release only when its
// version is above the running one, so a replayed old feed never offers anything. It
// downloads and runs nothing: installing is the package manager's business.
//
// canCheckForUpdates is true while no check runs. `check` is what the update dialog
// shows, absent while the dialog is closed. Lives on the main thread.

#include <chrono>
#include <optional>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include "shell/update/UpdateCheck.hpp"
#include "shell/update/feed/AppVersion.hpp"
#include "shell/update/feed/UpdatePublicKey.hpp"

namespace tessorin {

class UpdateChecker : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by Updater.start")
  Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

 public:
  UpdateChecker(UpdatePublicKey key, QUrl feedUrl, AppVersion runningVersion, std::chrono::milliseconds timeout,
                QObject* parent = nullptr);
  ~UpdateChecker() override;

  bool canCheckForUpdates() const { return !running_; }
  const std::optional<UpdateCheck>& check() const { return check_; }

  // A user-initiated check; does nothing while one runs.
  void checkForUpdates();
  // Closes the dialog; a check still running is abandoned.
  void dismiss();

 Q_SIGNALS:
  void canCheckForUpdatesChanged(bool canCheck);
  void checkChanged();

 private:
  QCoro::Task<> run(quint64 generation);
  UpdateCheck judge(const QByteArray& envelopeBytes) const;
  void setCheck(std::optional<UpdateCheck> check);
  void setRunning(bool running);

  const UpdatePublicKey key_;
  const QUrl feedUrl_;
  const AppVersion runningVersion_;
  const std::chrono::milliseconds timeout_;
  QNetworkAccessManager network_;
  QPointer<QNetworkReply> reply_;
  // Bumped by every start and every dismissal: a fetch that comes back to an older
  // number belongs to a check nobody waits for any more.
  quint64 generation_ = 0;
  bool running_ = false;
  std::optional<UpdateCheck> check_;
};

}  // namespace tessorin
