#include "theme/focus/FocusStops.hpp"

namespace tessorin::focus {

bool isTabStop(const QQuickItem* item) {
  return item != nullptr && item->window() != nullptr && item->isVisible() && item->isEnabled() &&
         item->activeFocusOnTab();
}

bool showsRing(const QQuickItem* item) { return item != nullptr && item->property("visualFocus").toBool(); }

const QQuickItem* popupItemAround(const QQuickItem* item) {
  for (const QQuickItem* outer = item; outer != nullptr; outer = outer->parentItem()) {
    if (outer->inherits("QQuickPopupItem")) return outer;
  }
  return nullptr;
}

void moveTo(QQuickItem* item, Qt::FocusReason reason) {
  if (item == nullptr) return;
  // A control reads its ring from the reason it took the focus for; one that has the focus
  // takes no new reason from another call, only from its own property.
  if (item->hasActiveFocus() && item->property("focusReason").isValid()) {
    item->setProperty("focusReason", static_cast<int>(reason));
    return;
  }
  item->forceActiveFocus(reason);
}

}  // namespace tessorin::focus
