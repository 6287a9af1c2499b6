#include "session/system/ProcessActivity.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QPointer>

namespace tessorin {

std::shared_ptr<ProcessActivity> ProcessActivity::begin(const QString& reason) {
  std::shared_ptr<ProcessActivity> activity(new ProcessActivity());
  activity->request(reason);
  return activity;
}

void ProcessActivity::request(const QString& reason) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep:idle") << QStringLiteral("Tessorin") << reason << QStringLiteral("block");
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
    watcher->deleteLater();
    QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
    if (reply.isValid() && reply.value().isValid() && !ended_) {
      // The reply's descriptor closes with the reply; keep a copy of our own.
      fd_ = ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    }
    Q_EMIT settled();
  });
}

void ProcessActivity::end() {
  if (ended_) return;
  ended_ = true;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

ProcessActivity::~ProcessActivity() { end(); }

}  // namespace tessorin
