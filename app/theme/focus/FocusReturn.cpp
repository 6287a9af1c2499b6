#include "theme/focus/FocusReturn.hpp"

#include <QQuickWindow>
#include <QtQml/qqml.h>

#include "theme/focus/FocusStops.hpp"

namespace tessorin {

FocusReturn::FocusReturn(QObject* popup) : QObject(popup), popup_(popup) {
  // QQuickPopup and the dialogs of QtQuick.Dialogs have no public header: their signals
  // are found by name.
  if (popup->metaObject()->indexOfSignal("aboutToShow()") >= 0) {
    connect(popup, SIGNAL(aboutToShow()), this, SLOT(noteOpener()));
    connect(popup, SIGNAL(closed()), this, SLOT(giveBack()));
  } else if (popup->metaObject()->indexOfSignal("visibleChanged()") >= 0) {
    connect(popup, SIGNAL(visibleChanged()), this, SLOT(dialogShownOrHidden()));
  }
}

void FocusReturn::dialogShownOrHidden() {
  QObject::disconnect(closingConnection_);
  if (popup_ == nullptr) return;
  // Its own popup has taken the focus before the dialog says it shows: whoever opens it
  // notes the opener first.
  if (popup_->property("visible").toBool()) return;
  // The dialog's own popup still holds the focus while it closes, and hands it to the
  // window's content once it has: the control is given it back after that.
  QQuickWindow* shownOver = window();
  const QQuickItem* own = shownOver != nullptr ? focus::popupItemAround(shownOver->activeFocusItem()) : nullptr;
  if (own == nullptr) return giveBack();
  closingConnection_ = connect(shownOver, &QQuickWindow::activeFocusItemChanged, this, [this, shownOver, own] {
    if (focus::popupItemAround(shownOver->activeFocusItem()) == own) return;
    QObject::disconnect(closingConnection_);
    giveBack();
  });
}

QQuickWindow* FocusReturn::window() const {
  if (popup_ == nullptr) return nullptr;
  if (const auto* anchor = popup_->property("parent").value<QQuickItem*>()) return anchor->window();
  // A dialog of QtQuick.Dialogs stands over the window it names.
  return qobject_cast<QQuickWindow*>(popup_->property("parentWindow").value<QWindow*>());
}

void FocusReturn::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Q_EMIT enabledChanged();
}

void FocusReturn::noteOpener() {
  opener_ = nullptr;
  openerRing_ = false;
  QQuickWindow* shownOver = window();
  QQuickItem* focused = shownOver != nullptr ? shownOver->activeFocusItem() : nullptr;
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
