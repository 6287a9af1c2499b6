#pragma once
// ScanWorker: runs the model's device scans on a thread of its own, so that the window's
// thread never waits on a device. Requests that arrive while a scan runs are folded into
// one scan after it; each scan's devices reach the thread that made the worker (the main
// thread) through `scanned`, in the order the scans ran.
//
// Made and destroyed on the main thread; `request` may be called from any thread. The
// destructor waits for the scan under way.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <QObject>

#include "tessorin/identity/CardDevice.hpp"

namespace tessorin {

class ScanWorker : public QObject {
  Q_OBJECT

 public:
  using Scan = std::function<std::vector<CardDevice>()>;

  explicit ScanWorker(Scan scan, QObject* parent = nullptr);
  ~ScanWorker() override;

  void request();

 Q_SIGNALS:
  void scanned(const std::vector<tessorin::CardDevice>& devices);

 private:
  void run();

  Scan scan_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool wanted_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tessorin
