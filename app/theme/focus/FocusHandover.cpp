#include "theme/focus/FocusHandover.hpp"

#include <QtQml/qqml.h>

#include "theme/focus/FocusInView.hpp"
#include "theme/focus/FocusStops.hpp"
#include "theme/focus/KeyboardInUse.hpp"

namespace tessorin {

FocusHandover::FocusHandover(QObject* attachee) : QObject(attachee), attachee_(attachee) {}

void FocusHandover::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  QObject::disconnect(focusConnection_);
  window_ = enabled ? qobject_cast<QQuickWindow*>(attachee_.data()) : nullptr;
  if (window_) {
    KeyboardInUse::watch();
    focusConnection_ = connect(window_, &QQuickWindow::activeFocusItemChanged, this, &FocusHandover::focusMoved);
  }
  Q_EMIT enabledChanged();
}

void FocusHandover::setNatural(QQuickItem* natural) {
  if (natural == natural_) return;
  natural_ = natural;
  Q_EMIT naturalChanged();
  // Once the area stands in its window: it is made before it is placed.
  QMetaObject::invokeMethod(this, &FocusHandover::announce, Qt::QueuedConnection);
}

void FocusHandover::announce() {
  auto* area = qobject_cast<QQuickItem*>(attachee_.data());
  if (area == nullptr || area->window() == nullptr || natural_ == nullptr) return;
  auto* window = qobject_cast<FocusHandover*>(qmlAttachedPropertiesObject<FocusHandover>(area->window(), false));
  if (window != nullptr && window->enabled_) window->areaCame(this);
}

void FocusHandover::areaCame(FocusHandover* area) {
  cameArea_ = area;
  handOverSoon();
}

void FocusHandover::follow(QQuickItem* control) {
  for (const auto& connection : followConnections_) QObject::disconnect(connection);
  followConnections_.clear();
  focused_ = control;
  holding_ = control != nullptr;
  focusedRing_ = focus::showsRing(control);
  // A popup closing gives a control its ring back after the focus came to it.
  const int signal = control != nullptr ? control->metaObject()->indexOfSignal("visualFocusChanged()") : -1;
  if (signal >= 0) {
    followConnections_.append(connect(control, control->metaObject()->method(signal), this,
                                      metaObject()->method(metaObject()->indexOfSlot("focusedRingChanged()"))));
  }
  if (control == nullptr) return;
  // Qt leaves the focus on a control that is hidden, and a deleted one may take it along
  // before the window says so.
  followConnections_.append(connect(control, &QQuickItem::visibleChanged, this, &FocusHandover::focusMoved));
  followConnections_.append(connect(control, &QObject::destroyed, this, &FocusHandover::focusMoved, Qt::QueuedConnection));
}

void FocusHandover::focusedRingChanged() {
  // Losing the focus takes the ring too: what counts is the ring it had while it held it.
  if (focused_ && focused_->hasActiveFocus()) focusedRing_ = focus::showsRing(focused_);
}

void FocusHandover::focusMoved() {
  QQuickItem* now = window_ ? window_->activeFocusItem() : nullptr;
  if (focus::isTabStop(now)) {
    if (now != focused_ || !holding_) follow(now);
    return;
  }
  // The focus left for no control. Into a popup, or nowhere while the control stands (the
  // window lost the keyboard): the control comes back to it. Gone, hidden or disabled: it
  // is handed on.
  if (!holding_) return;
  const bool gone = !focus::isTabStop(focused_);
  QQuickItem* control = focused_;
  const bool ring = focusedRing_;
  follow(nullptr);
  if (!gone) return;
  lost_ = true;
  lostControl_ = control;
  lostRing_ = ring;
  handOverSoon();
}

void FocusHandover::handOverSoon() {
  if (scheduled_) return;
  scheduled_ = true;
  QMetaObject::invokeMethod(this, &FocusHandover::settle, Qt::QueuedConnection);
}

void FocusHandover::settle() {
  // The changes that took the control go on for a turn: a list's keeper, the new panel's
  // announcement and a question that opens all come first.
  QMetaObject::invokeMethod(this, &FocusHandover::handOver, Qt::QueuedConnection);
}

void FocusHandover::handOver() {
  scheduled_ = false;
  const bool lost = lost_;
  const QPointer<QQuickItem> lostControl = lostControl_;
  const bool lostRing = lostRing_;
  const QPointer<FocusHandover> area = cameArea_;
  lost_ = false;
  lostControl_ = nullptr;
  lostRing_ = false;
  cameArea_ = nullptr;
  if (!window_) return;

  QQuickItem* now = window_->activeFocusItem();
  // Someone put it on a control, or a popup took it: theirs.
  if (focus::isTabStop(now) || focus::popupItemAround(now) != nullptr) return;
  if (!lostRing && !KeyboardInUse::now()) return;
  if (area && focus::isTabStop(area->natural_)) {
    focus::moveTo(area->natural_, Qt::TabFocusReason);
    // A new page is read from its top (a verdict above the result's first action): the
    // page scrolls no further than its control needs.
    FocusInView::showFromStart(area->natural_);
    return;
  }
  QQuickItem* next = lost && lostControl && lostControl->window() == window_ ? lostControl->nextItemInFocusChain(true) : nullptr;
  if (focus::isTabStop(next)) focus::moveTo(next, Qt::TabFocusReason);
}

}  // namespace tessorin
