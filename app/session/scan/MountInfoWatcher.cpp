#include "session/scan/MountInfoWatcher.hpp"

#include <fcntl.h>
#include <unistd.h>

namespace tessorin {

MountInfoWatcher::MountInfoWatcher(const QString& path, QObject* parent) : QObject(parent) {
  fd_ = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Exception);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &MountInfoWatcher::onActivated);
}

MountInfoWatcher::~MountInfoWatcher() {
  notifier_.reset();
  if (fd_ >= 0) ::close(fd_);
}

void MountInfoWatcher::onActivated() {
  // The kernel re-arms the event as soon as it has reported it; reading the table from
  // the start keeps the file's view current for event loops that only poll.
  char buffer[4096];
  ::lseek(fd_, 0, SEEK_SET);
  while (::read(fd_, buffer, sizeof buffer) > 0) {
  }
  Q_EMIT mountsChanged();
}

}  // namespace tessorin
