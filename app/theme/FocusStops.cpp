#include "theme/FocusStops.hpp"

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

}  // namespace tessorin::focus
