#include "session/check/MainThreadQueue.hpp"

#include <utility>

#include <QCoreApplication>
#include <QMetaObject>

namespace tessorin {

void postToMainThread(std::function<void()> block) {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr) return;
  // The application object lives on the main thread, so a queued call on it runs there,
  // in post order with every other block.
  QMetaObject::invokeMethod(application, std::move(block), Qt::QueuedConnection);
}

}  // namespace tessorin
