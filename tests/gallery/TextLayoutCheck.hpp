#pragma once
// TextLayoutCheck: what a reader of a picture would call broken type. Two texts that are
// drawn over each other, and a text cut off by the item that holds it (a clipping box, the
// window's edge, or lines dropped past a line limit). A text that is laid out to elide
// (its `elide` set) says so itself and may end in "…"; scrolling, a Flickable's clip, is
// not a cut. Texts of different layers (the page and a popup over it) are not compared,
// nor a stamp set at an angle across a picture on its own backing.

#include <QQuickWindow>
#include <QStringList>

namespace tessorin::gallery {

// One line per fault, naming the texts; empty when every text is whole and alone.
QStringList textLayoutProblems(QQuickWindow& window);

}  // namespace tessorin::gallery
