#include "theme/focus/FocusKeeper.hpp"

#include <algorithm>

#include "theme/focus/FocusStops.hpp"

namespace tessorin {

FocusKeeper::FocusKeeper(QObject* attachee) : QObject(attachee), attachee_(qobject_cast<QQuickItem*>(attachee)) {
  if (!attachee_) return;
  connect(attachee_, &QQuickItem::windowChanged, this, &FocusKeeper::watchWindow);
  // A Repeater and a ListView both say when their number of rows changes.
  const int countSignal = attachee_->metaObject()->indexOfSignal("countChanged()");
  if (countSignal >= 0) {
    connect(attachee_, attachee_->metaObject()->method(countSignal), this,
            metaObject()->method(metaObject()->indexOfSlot("noteKeptRow()")));
  }
}

void FocusKeeper::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  watchWindow();
  Q_EMIT enabledChanged();
}

void FocusKeeper::watchWindow() {
  QQuickWindow* window = enabled_ && attachee_ ? attachee_->window() : nullptr;
  if (window == window_ && (window == nullptr || focusConnection_)) return;
  QObject::disconnect(focusConnection_);
  forget();
  window_ = window;
  if (window) focusConnection_ = connect(window, &QQuickWindow::activeFocusItemChanged, this, &FocusKeeper::focusMoved);
}

bool FocusKeeper::holdsAStop(const QQuickItem* item) const {
  return window_ && focus::isTabStop(item) && item->window() == window_;
}

bool FocusKeeper::has(const char* signature) const {
  return attachee_ && attachee_->metaObject()->indexOfMethod(signature) >= 0;
}

int FocusKeeper::rowCount() const { return attachee_ ? attachee_->property("count").toInt() : 0; }

QQuickItem* FocusKeeper::row(int index) const {
  QQuickItem* item = nullptr;
  if (!attachee_ || index < 0 || index >= rowCount()) return nullptr;
  // Repeater.itemAt, ListView.itemAtIndex.
  if (has("itemAt(int)")) {
    QMetaObject::invokeMethod(attachee_, "itemAt", Q_RETURN_ARG(QQuickItem*, item), Q_ARG(int, index));
  } else if (has("itemAtIndex(int)")) {
    QMetaObject::invokeMethod(attachee_, "itemAtIndex", Q_RETURN_ARG(QQuickItem*, item), Q_ARG(int, index));
  }
  return item;
}

int FocusKeeper::rowHolding(const QQuickItem* item) const {
  const int count = rowCount();
  for (int index = 0; index < count; ++index) {
    QQuickItem* candidate = row(index);
    if (candidate != nullptr && (candidate == item || candidate->isAncestorOf(item))) return index;
  }
  return -1;
}

QQuickItem* FocusKeeper::stopIn(QQuickItem* rowItem) const {
  if (rowItem == nullptr || !rowItem->isVisible()) return nullptr;
  QQuickItem* first = nullptr;
  QList<QQuickItem*> pending{rowItem};
  while (!pending.isEmpty()) {
    QQuickItem* item = pending.takeFirst();
    if (!item->isVisible()) continue;
    if (holdsAStop(item)) {
      if (!keptName_.isEmpty() && item->objectName() == keptName_) return item;
      if (first == nullptr) first = item;
    }
    pending.append(item->childItems());
  }
  return first;
}

void FocusKeeper::focusMoved() {
  QQuickItem* focused = window_ ? window_->activeFocusItem() : nullptr;
  if (holdsAStop(focused)) {
    const int index = rowHolding(focused);
    if (index >= 0) {
      keep(focused, index);
    } else if (!restoring_) {
      forget();
    }
    return;
  }
  // Nowhere a ring shows: fine while the kept control stands (the window lost the
  // keyboard, and gives it back), not when the control went.
  if (tracking_ && !holdsAStop(kept_)) restoreSoon();
}

void FocusKeeper::keep(QQuickItem* control, int index) {
  restoring_ = false;
  keptRow_ = index;
  if (control == kept_) return;
  for (const auto& connection : keptConnections_) QObject::disconnect(connection);
  keptConnections_.clear();
  kept_ = control;
  tracking_ = true;
  keptName_ = control->objectName();
  for (auto signal : {&QQuickItem::visibleChanged, &QQuickItem::enabledChanged}) {
    keptConnections_.append(connect(control, signal, this, &FocusKeeper::keptChanged));
  }
  keptConnections_.append(connect(control, &QQuickItem::parentChanged, this, &FocusKeeper::keptChanged));
  keptConnections_.append(connect(control, &QQuickItem::windowChanged, this, &FocusKeeper::keptChanged));
  keptConnections_.append(connect(control, &QObject::destroyed, this, &FocusKeeper::keptChanged));
}

void FocusKeeper::forget() {
  for (const auto& connection : keptConnections_) QObject::disconnect(connection);
  keptConnections_.clear();
  kept_ = nullptr;
  tracking_ = false;
  restoring_ = false;
  keptName_ = QString();
  keptRow_ = -1;
}

void FocusKeeper::keptChanged() {
  if (tracking_ && !holdsAStop(kept_)) restoreSoon();
}

void FocusKeeper::noteKeptRow() {
  if (!tracking_ || !kept_ || !holdsAStop(kept_)) return;
  const int index = rowHolding(kept_);
  if (index >= 0) keptRow_ = index;
}

void FocusKeeper::restoreSoon() {
  if (restoring_) return;
  restoring_ = true;
  // Once the change that took the row is over: a list built anew has its rows again.
  QMetaObject::invokeMethod(this, &FocusKeeper::restore, Qt::QueuedConnection);
}

void FocusKeeper::restore() {
  if (!restoring_) return;
  QQuickItem* focused = window_ ? window_->activeFocusItem() : nullptr;
  // Someone put it on a control meanwhile: theirs to choose.
  if (holdsAStop(focused) && focused != kept_) {
    const int index = rowHolding(focused);
    if (index >= 0) {
      keep(focused, index);
    } else {
      forget();
    }
    return;
  }
  QQuickItem* next = successor();
  forget();
  if (next != nullptr) next->forceActiveFocus(Qt::TabFocusReason);
}

QQuickItem* FocusKeeper::successor() const {
  if (!attachee_) return nullptr;
  // A ListView makes the rows it lacks at its next layout; now, for the choice.
  if (has("forceLayout()")) QMetaObject::invokeMethod(attachee_, "forceLayout");
  const int count = rowCount();
  if (count > 0) {
    const int place = std::clamp(keptRow_, 0, count - 1);
    for (int index : {place, place - 1, place + 1}) {
      if (QQuickItem* stop = stopIn(row(index))) return stop;
    }
  }
  QQuickItem* after = attachee_->nextItemInFocusChain(true);
  return holdsAStop(after) ? after : nullptr;
}

}  // namespace tessorin
