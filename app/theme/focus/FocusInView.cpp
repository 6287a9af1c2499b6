#include "theme/focus/FocusInView.hpp"

#include <algorithm>

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
  QObject::disconnect(focusConnection_);
  window_ = window;
  if (window) focusConnection_ = connect(window, &QQuickWindow::activeFocusItemChanged, this, &FocusInView::focusMoved);
}

void FocusInView::focusMoved() {
  QQuickItem* focused = window_ ? window_->activeFocusItem() : nullptr;
  if (!revealWithInnerAreas(focused)) return;
  // Again on each frame while it still moves: an item that takes the focus as its page is
  // laid out (a panel that has just come in and grows) stands elsewhere once that is over.
  settling_ = focused;
  settledFrames_ = 0;
  framesLeft_ = settleFrames;
  if (settleConnection_) return;
  settleConnection_ = connect(window_, &QQuickWindow::afterAnimating, this, &FocusInView::settle);
}

void FocusInView::settle() {
  QQuickItem* area = flickable();
  if (settling_ && window_ && area != nullptr && settling_ == window_->activeFocusItem() && framesLeft_-- > 0) {
    const QRectF place = settling_->mapRectToItem(area->property("contentItem").value<QQuickItem*>(),
                                                  QRectF(0, 0, settling_->width(), settling_->height()));
    settledFrames_ = place == settlingPlace_ ? settledFrames_ + 1 : 0;
    settlingPlace_ = place;
    revealWithInnerAreas(settling_);
    // Two frames in the same place: the page has come to rest.
    if (settledFrames_ < 2) return;
  }
  QObject::disconnect(settleConnection_);
  settleConnection_ = {};
  settling_ = nullptr;
}

bool FocusInView::revealWithInnerAreas(QQuickItem* focused) {
  QQuickItem* area = flickable();
  if (area == nullptr || focused == nullptr || focused == area || !area->isAncestorOf(focused)) return false;
  // The areas between the item and this one go first: this one then sees the item where
  // they put it. An area that already did so for itself does not move again.
  for (QQuickItem* inner = focused->parentItem(); inner != nullptr && inner != area; inner = inner->parentItem()) {
    if (!isFlickable(inner)) continue;
    // Attached to the Flickable itself, or to the ScrollView around it.
    for (QQuickItem* holder : {inner, inner->parentItem()}) {
      if (holder == nullptr) continue;
      auto* nested = qobject_cast<FocusInView*>(qmlAttachedPropertiesObject<FocusInView>(holder, false));
      if (nested != nullptr && nested->enabled() && nested->flickable() == inner) nested->reveal(focused);
    }
  }
  reveal(focused);
  return true;
}

bool FocusInView::reveal(QQuickItem* item) {
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
    const qreal wanted = std::clamp(scrolledTo(position, axis.low, axis.high, axis.extent), first, last);
    if (qFuzzyCompare(wanted + 1, position + 1)) continue;
    area->setProperty(axis.position, wanted);
    moved = true;
  }
  return moved;
}

}  // namespace tessorin
