#pragma once
// MountInfoWatcher: tells the application that a volume was mounted, unmounted or moved.
// The kernel marks /proc/self/mountinfo with an exceptional condition (POLLPRI/POLLERR)
// whenever the mount table changes; a QSocketNotifier of the Exception kind wakes the
// main loop for it, and every change is signalled once, with nothing coalesced. Lives on
// the thread that made it (the main thread).

#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <memory>

namespace tessorin {

class MountInfoWatcher : public QObject {
  Q_OBJECT

 public:
  explicit MountInfoWatcher(const QString& path = QStringLiteral("/proc/self/mountinfo"), QObject* parent = nullptr);
  ~MountInfoWatcher() override;

  // False when the table could not be opened: the two-second poll is then the only watch.
  bool isWatching() const { return notifier_ != nullptr; }

 Q_SIGNALS:
  void mountsChanged();

 private:
  void onActivated();

  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tessorin
