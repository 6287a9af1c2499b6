#pragma once
// FocusStops: what the keyboard's focus can rest on and how it is put there, for the pieces
// that move the focus for the user (FocusKeeper, FocusHandover, FocusReturn). Main thread.

#include <QQuickItem>

namespace tessorin::focus {

// A control Tab can stop at now: in a window, shown, enabled, taking the focus on Tab.
bool isTabStop(const QQuickItem* item);

// Whether the item shows the keyboard's focus ring: Qt's visualFocus, true only for a focus
// the keyboard gave.
bool showsRing(const QQuickItem* item);

// The item of the popup (a sheet, a question, a menu) that `item` is or stands in; null on
// the window's own content.
const QQuickItem* popupItemAround(const QQuickItem* item);

// Gives `item` the active focus for `reason`. An item that has it already takes the reason
// instead, so that its ring shows (or goes) as if the focus had just moved there.
void moveTo(QQuickItem* item, Qt::FocusReason reason);

}  // namespace tessorin::focus
