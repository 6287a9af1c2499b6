#pragma once
// ProcessActivity: keeps the computer from sleeping or idling away while a card is being
// checked: a systemd-logind inhibitor lock ("sleep:idle", mode "block") taken over the
// system bus and held as a file descriptor until end(). Where no logind answers, the
// check carries on without one. The lock is asked for asynchronously, so beginning never
// blocks the main thread; an answer that arrives after end() is released at once. Main
// thread only; the session's `activity`.

#include <QObject>
#include <QString>

#include <memory>

namespace tessorin {

class ProcessActivity : public QObject {
  Q_OBJECT

 public:
  static std::shared_ptr<ProcessActivity> begin(const QString& reason);
  ~ProcessActivity() override;

  // Releases the lock once; later calls do nothing.
  void end();
  bool isHoldingLock() const { return fd_ >= 0; }
  bool hasEnded() const { return ended_; }

 Q_SIGNALS:
  // The bus answered (with a lock or without one).
  void settled();

 private:
  ProcessActivity() = default;
  void request(const QString& reason);

  int fd_ = -1;
  bool ended_ = false;
};

}  // namespace tessorin
