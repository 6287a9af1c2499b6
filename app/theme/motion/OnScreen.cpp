#include "theme/motion/OnScreen.hpp"

#include <QEvent>
#include <QGuiApplication>

#include "theme/motion/ReducedMotion.hpp"

namespace tessorin {

namespace {

QQuickItem* owningItem(QObject* object) {
  for (; object != nullptr; object = object->parent()) {
    if (auto* item = qobject_cast<QQuickItem*>(object)) return item;
  }
  return nullptr;
}

// What the item covers, in the window's coordinates: its own rectangle and its children's,
// which may reach past it (a glow, a seal hanging over a corner).
QRectF sceneArea(QQuickItem* item) {
  QRectF area = item->boundingRect().united(item->childrenRect());
  area = item->mapRectToScene(area);
  // An item without size still stands at a point: judge that point.
  if (area.isEmpty()) area.setSize(QSizeF(std::max<qreal>(area.width(), 1), std::max<qreal>(area.height(), 1)));
  return area;
}

// A Flickable shows its content through its own rectangle, whether or not it clips.
bool isViewport(const QQuickItem* item) { return item->clip() || item->inherits("QQuickFlickable"); }

}  // namespace

OnScreen::OnScreen(QObject* attachee) : QObject(attachee), attachee_(attachee) {
  connect(qApp, &QGuiApplication::applicationStateChanged, this, &OnScreen::judge);
  connect(&ReducedMotion::instance(), &ReducedMotion::changed, this, &OnScreen::judge);
  attach();
  // Made while its object was still being put in place: it finds its item once it is.
  if (!item_) QMetaObject::invokeMethod(this, &OnScreen::attach, Qt::QueuedConnection);
}

void OnScreen::attach() {
  if (item_) return;
  item_ = owningItem(attachee_);
  if (!item_) return;
  connect(item_, &QQuickItem::windowChanged, this, &OnScreen::watchWindow);
  connect(item_, &QQuickItem::visibleChanged, this, &OnScreen::judge);
  watchWindow(item_->window());
}

void OnScreen::watchWindow(QQuickWindow* window) {
  for (const QMetaObject::Connection& connection : std::as_const(windowConnections_)) disconnect(connection);
  windowConnections_.clear();
  if (window_) window_->removeEventFilter(this);
  window_ = window;
  if (window_) {
    // Every drawn frame: whatever moves the item in or out of sight draws one.
    windowConnections_.append(connect(window_, &QQuickWindow::afterAnimating, this, &OnScreen::judge));
    windowConnections_.append(connect(window_, &QWindow::visibilityChanged, this, &OnScreen::judge));
    // Exposure (covered wholly, unmapped) changes without a signal of its own.
    window_->installEventFilter(this);
  }
  judge();
}

bool OnScreen::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  switch (event->type()) {
    case QEvent::Expose:
    case QEvent::Hide:
    case QEvent::Show:
      judge();
      break;
    default:
      break;
  }
  return false;
}

void OnScreen::judge() {
  const bool shown = isShown(item_);
  const bool lively = shown && !ReducedMotion::instance().requested();
  const bool shownChanges = shown != shown_;
  const bool livelyChanges = lively != lively_;
  shown_ = shown;
  lively_ = lively;
  if (shownChanges) Q_EMIT shownChanged();
  if (livelyChanges) Q_EMIT livelyChanged();
}

bool OnScreen::isShown(QQuickItem* item) {
  if (item == nullptr || !item->isVisible()) return false;
  const QQuickWindow* window = item->window();
  if (window == nullptr || !window->isVisible() || !window->isExposed()) return false;
  if (window->visibility() == QWindow::Minimized || window->visibility() == QWindow::Hidden) return false;
  const Qt::ApplicationState state = QGuiApplication::applicationState();
  if (state == Qt::ApplicationHidden || state == Qt::ApplicationSuspended) return false;

  const QRectF area = sceneArea(item);
  if (!area.intersects(QRectF(QPointF(0, 0), window->size()))) return false;
  for (const QQuickItem* around = item->parentItem(); around != nullptr; around = around->parentItem()) {
    if (isViewport(around) && !area.intersects(around->mapRectToScene(around->boundingRect()))) return false;
  }
  return true;
}

}  // namespace tessorin
