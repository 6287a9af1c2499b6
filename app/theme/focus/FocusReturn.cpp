#include "theme/focus/FocusReturn.hpp"

#include <QQuickWindow>
#include <QtQml/qqml.h>

#include "theme/focus/FocusStops.hpp"

namespace tessorin {

FocusReturn::FocusReturn(QObject* popup) : QObject(popup), popup_(popup) {
  // QQuickPopup has no public header: its signals are found by name.
  if (popup->metaObject()->indexOfSignal("aboutToShow()") < 0) return;
  connect(popup, SIGNAL(aboutToShow()), this, SLOT(noteOpener()));
  connect(popup, SIGNAL(closed()), this, SLOT(giveBack()));
}

void FocusReturn::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Q_EMIT enabledChanged();
}

void FocusReturn::noteOpener() {
  opener_ = nullptr;
  openerRing_ = false;
  const auto* anchor = popup_ ? popup_->property("parent").value<QQuickItem*>() : nullptr;
  QQuickWindow* window = anchor != nullptr ? anchor->window() : nullptr;
  QQuickItem* focused = window != nullptr ? window->activeFocusItem() : nullptr;
  // Opened again while it still stands: the focus is already its own.
  const QQuickItem* around = focus::popupItemAround(focused);
  if (focused == nullptr || (around != nullptr && around->parent() == popup_)) return;
  opener_ = focused;
  openerRing_ = focus::showsRing(focused);
}

FocusReturn::Returnee FocusReturn::returnee() const {
  Returnee found{opener_, openerRing_};
  // An opener that went with a popup of its own (a menu's item): that popup's opener.
  for (int depth = 0; found.control != nullptr && !focus::isTabStop(found.control) && depth < 4; ++depth) {
    const QQuickItem* around = focus::popupItemAround(found.control);
    auto* outer = around != nullptr ? qobject_cast<FocusReturn*>(qmlAttachedPropertiesObject<FocusReturn>(around->parent(), false))
                                    : nullptr;
    if (outer == nullptr) return {};
    found = {outer->opener_, outer->openerRing_};
  }
  return focus::isTabStop(found.control) ? found : Returnee{};
}

void FocusReturn::giveBack() {
  if (!enabled_) return;
  const Returnee back = returnee();
  if (back.control == nullptr) return;
  QQuickItem* focused = back.control->window()->activeFocusItem();
  if (focused != back.control) {
    // Another popup opened meanwhile, or the user's focus went elsewhere with its ring.
    if (focus::popupItemAround(focused) != nullptr || (focus::isTabStop(focused) && focus::showsRing(focused))) return;
  }
  focus::moveTo(back.control, back.ring ? Qt::TabFocusReason : Qt::OtherFocusReason);
}

}  // namespace tessorin
