#include "theme/focus/FocusInView.hpp"

#include <algorithm>
#include <utility>

#include <QtQml/qqml.h>

namespace tessorin {

namespace {

// The focus ring stands three pixels outside its control and is two wide.
constexpr qreal ringReach = 5;

bool isFlickable(const QObject* object) { return object != nullptr && object->inherits("QQuickFlickable"); }

qreal number(const QQuickItem* item, const char* name) { return item->property(name).toReal(); }

// Where the view's content must stand (contentY or contentX) for [low, high), in the
// viewport's coordinates, to show whole within `extent`; the current position when it does.
qreal scrolledTo(qreal position, qreal low, qreal high, qreal extent) {
  if (low >= 0 && high <= extent) return position;
  if (high - low > extent) {
    // Taller than the view: its top edge, unless some of it already fills the view.
    return low < extent && high > 0 ? position : position + low;
  }
  return low < 0 ? position + low : position + (high - extent);
}

}  // namespace

FocusInView::FocusInView(QObject* attachee) : QObject(attachee), attachee_(qobject_cast<QQuickItem*>(attachee)) {
  if (attachee_) connect(attachee_, &QQuickItem::windowChanged, this, &FocusInView::watchWindow);
}

void FocusInView::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  watchWindow();
  Q_EMIT enabledChanged();
}

void FocusInView::setMargin(qreal margin) {
  if (qFuzzyCompare(margin, margin_)) return;
  margin_ = margin;
  Q_EMIT marginChanged();
}

QQuickItem* FocusInView::flickable() const {
  if (!attachee_) return nullptr;
  if (isFlickable(attachee_)) return attachee_;
  auto* content = attachee_->property("contentItem").value<QQuickItem*>();
  return isFlickable(content) ? content : nullptr;
}

void FocusInView::watchWindow() {
  QQuickWindow* window = enabled_ && attachee_ ? attachee_->window() : nullptr;
  if (window == window_ && (window == nullptr || focusConnection_)) return;
  stopWatching();
  QObject::disconnect(focusConnection_);
  window_ = window;
  if (window) focusConnection_ = connect(window, &QQuickWindow::activeFocusItemChanged, this, &FocusInView::focusMoved);
}

bool FocusInView::holds(QQuickItem* item) const {
  QQuickItem* area = flickable();
  return area != nullptr && item != nullptr && item != area && area->isAncestorOf(item);
}

FocusInView::Standing FocusInView::standingOf(QQuickItem* item) const {
  QQuickItem* area = flickable();
  auto* content = area->property("contentItem").value<QQuickItem*>();
  return {.place = item->mapRectToItem(content, QRectF(0, 0, item->width(), item->height())),
          .view = area->size(),
          .content = QSizeF(number(area, "contentWidth"), number(area, "contentHeight"))};
}

QRectF FocusInView::shownPart() const {
  QQuickItem* area = flickable();
  return area->mapRectToItem(area->property("contentItem").value<QQuickItem*>(), QRectF(QPointF(0, 0), area->size()));
}

void FocusInView::focusMoved() {
  QQuickItem* focused = window_ ? window_->activeFocusItem() : nullptr;
  if (!holds(focused)) return stopWatching();
  // Shown on the next frame, where Tab moved it within a page that stands; a control
  // handed the focus with its page (showFromStart) waits until that page rests: scrolling
  // for a panel still moving in would chase a place it leaves on the next frame.
  watched_ = focused;
  standing_ = standingOf(focused);
  follows_ = true;
  fromStart_ = false;
  firstFrame_ = true;
  settling_ = true;
  stillFrames_ = 0;
  stillFor_.start();
  movingFrames_ = 0;
  if (!frameConnection_) frameConnection_ = connect(window_, &QQuickWindow::afterAnimating, this, &FocusInView::frame);
  window_->update();
}

void FocusInView::showFromStart(QQuickItem* item) {
  for (QQuickItem* holder = item ? item->parentItem() : nullptr; holder != nullptr; holder = holder->parentItem()) {
    auto* inView = qobject_cast<FocusInView*>(qmlAttachedPropertiesObject<FocusInView>(holder, false));
    if (inView != nullptr && inView->watched_ == item) inView->fromStart_ = true;
  }
}

void FocusInView::stopWatching() {
  QObject::disconnect(frameConnection_);
  frameConnection_ = {};
  watched_ = nullptr;
  settling_ = false;
}

void FocusInView::frame() {
  if (!window_ || !watched_ || watched_ != window_->activeFocusItem() || !holds(watched_)) return stopWatching();
  if (std::exchange(firstFrame_, false) && !fromStart_) revealWithInnerAreas(watched_, false);
  const Standing now = standingOf(watched_);
  if (now != standing_) {
    if (!settling_) {
      // Moved by the page (the user's scrolling leaves its place in the content as it
      // was): followed when it stood in sight until now.
      follows_ = standing_.place.intersects(shownPart());
      settling_ = true;
      movingFrames_ = 0;
    }
    standing_ = now;
    stillFrames_ = 0;
    stillFor_.start();
    if (++movingFrames_ >= unrestFrames && follows_) {
      movingFrames_ = 0;
      revealWithInnerAreas(watched_, fromStart_);
      standing_ = standingOf(watched_);
    }
  } else if (settling_ && ++stillFrames_ >= restFrames && stillFor_.elapsed() >= restMilliseconds) {
    settling_ = false;
    if (follows_) revealWithInnerAreas(watched_, fromStart_);
    fromStart_ = false;
    // Its own scrolling (an inner area's too) is no move of the page's.
    standing_ = standingOf(watched_);
    return;
  }
  // The next frames while it settles, even where nothing else would draw one.
  if (settling_) window_->update();
}

bool FocusInView::revealWithInnerAreas(QQuickItem* focused, bool fromStart) {
  if (!holds(focused)) return false;
  QQuickItem* area = flickable();
  // The areas between the item and this one go first: this one then sees the item where
  // they put it. An area that already did so for itself does not move again.
  for (QQuickItem* inner = focused->parentItem(); inner != nullptr && inner != area; inner = inner->parentItem()) {
    if (!isFlickable(inner)) continue;
    // Attached to the Flickable itself, or to the ScrollView around it.
    for (QQuickItem* holder : {inner, inner->parentItem()}) {
      if (holder == nullptr) continue;
      auto* nested = qobject_cast<FocusInView*>(qmlAttachedPropertiesObject<FocusInView>(holder, false));
      if (nested != nullptr && nested->enabled() && nested->flickable() == inner) nested->reveal(focused, fromStart);
    }
  }
  reveal(focused, fromStart);
  return true;
}

bool FocusInView::reveal(QQuickItem* item, bool fromStart) {
  QQuickItem* area = flickable();
  if (area == nullptr || item == nullptr || !area->isAncestorOf(item)) return false;
  const qreal reach = ringReach + margin_;
  const QRectF shown = item->mapRectToItem(area, QRectF(0, 0, item->width(), item->height()))
                           .adjusted(-reach, -reach, reach, reach);
  bool moved = false;
  // Each direction only where the content is larger than the view.
  const struct {
    const char* position;
    const char* origin;
    const char* contentExtent;
    const char* leadingMargin;
    const char* trailingMargin;
    qreal low;
    qreal high;
    qreal extent;
  } axes[] = {
      {"contentY", "originY", "contentHeight", "topMargin", "bottomMargin", shown.top(), shown.bottom(), area->height()},
      {"contentX", "originX", "contentWidth", "leftMargin", "rightMargin", shown.left(), shown.right(), area->width()},
  };
  for (const auto& axis : axes) {
    const qreal first = number(area, axis.origin) - number(area, axis.leadingMargin);
    const qreal last = std::max(first, number(area, axis.origin) + number(area, axis.contentExtent) +
                                           number(area, axis.trailingMargin) - axis.extent);
    const qreal position = number(area, axis.position);
    // From the start, the item stands as far down in the view as the area is scrolled now.
    const qreal shift = fromStart ? position - first : 0;
    const qreal from = fromStart ? first : position;
    const qreal wanted = std::clamp(scrolledTo(from, axis.low + shift, axis.high + shift, axis.extent), first, last);
    if (qFuzzyCompare(wanted + 1, position + 1)) continue;
    area->setProperty(axis.position, wanted);
    moved = true;
  }
  return moved;
}

}  // namespace tessorin
