#include "session/scan/ScanWorker.hpp"

#include <pthread.h>

#include <utility>

namespace tessorin {

ScanWorker::ScanWorker(Scan scan, QObject* parent) : QObject(parent), scan_(std::move(scan)) {
  thread_ = std::thread([this] { run(); });
}

ScanWorker::~ScanWorker() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void ScanWorker::request() {
  {
    const std::lock_guard lock(mutex_);
    wanted_ = true;
  }
  wake_.notify_one();
}

void ScanWorker::run() {
  ::pthread_setname_np(::pthread_self(), "Tessorin scan");
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return wanted_ || stopping_; });
      if (stopping_) return;
      wanted_ = false;
    }
    std::vector<CardDevice> devices = scan_();
    // Delivered on this object's thread; a delivery still queued when it goes is dropped.
    QMetaObject::invokeMethod(
        this, [this, devices = std::move(devices)] { Q_EMIT scanned(devices); }, Qt::QueuedConnection);
  }
}

}  // namespace tessorin
