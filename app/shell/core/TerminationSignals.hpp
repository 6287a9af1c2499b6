#pragma once
// TerminationSignals: SIGINT and SIGTERM as a Qt signal on the main thread. The handler
// only writes a byte into a pipe (the one thing a signal handler may safely do); a socket
// notifier on the pipe's other end emits `requested` from the event loop. One instance
// per process; its destruction restores the default handlers.

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace tessorin {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 Q_SIGNALS:
  void requested(int signalNumber);

 private:
  void drain();

  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tessorin
