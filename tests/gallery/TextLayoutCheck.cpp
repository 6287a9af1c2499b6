#include "TextLayoutCheck.hpp"

#include <QQuickItem>
#include <QRectF>
#include <cmath>
#include <vector>

namespace tessorin::gallery {

namespace {

// Less than this, in pixels, is the antialiased edge of a line box, not a fault.
constexpr qreal tolerance = 1.5;

struct ShownText {
  QQuickItem* item;
  QRectF drawn;         // where its glyphs are laid out, in the window
  QRectF seen;          // the part of that a user sees, cut by every clipping item around it
  QQuickItem* scroller;  // the innermost Flickable it scrolls in, if any
  QRectF scrolledTo;    // the part a user sees once it is scrolled into view
  QQuickItem* layer;    // the popup it belongs to, or none for the page
  bool turned;          // set at an angle: a stamp laid across the others on purpose
};

bool isText(const QQuickItem* item) {
  return item->inherits("QQuickText") || item->inherits("QQuickTextEdit") || item->inherits("QQuickTextInput");
}

QString describe(const QQuickItem* item) {
  const QString text = item->property("text").toString().simplified();
  const QString shown = text.size() > 48 ? text.left(47) + QChar(0x2026) : text;
  return QStringLiteral("%1 “%2”").arg(item->objectName().isEmpty() ? QStringLiteral("text") : item->objectName(), shown);
}

QString nameOf(const QQuickItem* item) {
  return item->objectName().isEmpty() ? QString::fromUtf8(item->metaObject()->className()) : item->objectName();
}

bool scrolls(const QQuickItem* item);

QRectF sceneRect(const QQuickItem* item) { return item->mapRectToScene(QRectF(0, 0, item->width(), item->height())); }

// A popup's item hangs in the window's overlay; everything else is the page.
QQuickItem* layerOf(QQuickItem* item) {
  for (QQuickItem* around = item; around->parentItem() != nullptr; around = around->parentItem()) {
    if (around->parentItem()->inherits("QQuickOverlay")) return around;
  }
  return nullptr;
}

qreal number(const QQuickItem* item, const char* name) { return item->property(name).toReal(); }

// Where the lines are laid out, in the item: the content's size placed inside the padding
// by the alignment. A line wider than the room left overflows by the alignment too.
QRectF laidOut(const QQuickItem* item) {
  const qreal width = number(item, "contentWidth");
  const qreal height = number(item, "contentHeight");
  const qreal left = number(item, "leftPadding");
  const qreal top = number(item, "topPadding");
  const qreal roomX = item->width() - left - number(item, "rightPadding");
  const qreal roomY = item->height() - top - number(item, "bottomPadding");
  const int across = item->property("effectiveHorizontalAlignment").toInt();
  const int down = item->property("verticalAlignment").toInt();
  const qreal x = across == Qt::AlignRight ? roomX - width : across == Qt::AlignHCenter ? (roomX - width) / 2 : 0;
  const qreal y = down == Qt::AlignBottom ? roomY - height : down == Qt::AlignVCenter ? (roomY - height) / 2 : 0;
  return {left + x, top + y, width, height};
}

bool scrolls(const QQuickItem* item) { return item->inherits("QQuickFlickable"); }

void collect(QQuickItem* item, std::vector<ShownText>& texts, bool turned = false) {
  if (!item->isVisible() || item->opacity() < 0.01) return;
  turned = turned || std::fmod(item->rotation(), 360.0) != 0;
  if (isText(item) && !item->property("text").toString().trimmed().isEmpty()) {
    const QRectF drawn = item->mapRectToScene(laidOut(item));
    QRectF seen = drawn;
    QQuickItem* scroller = nullptr;
    QRectF scrolledTo = drawn;
    for (QQuickItem* around = item; around != nullptr; around = around->parentItem()) {
      if (scroller == nullptr && scrolls(around)) scroller = around;
      if (!around->clip()) continue;
      seen &= sceneRect(around);
      if (scroller == nullptr) scrolledTo &= sceneRect(around);
    }
    texts.push_back({item, drawn, seen, scroller, scrolledTo, layerOf(item), turned});
  }
  for (QQuickItem* child : item->childItems()) collect(child, texts, turned);
}

// The first clipping item around the text (itself included) that cuts into its glyphs,
// the window's edge where nothing scrolls it, or none.
QString cutBy(const ShownText& text, const QRectF& window) {
  const QRectF inner = text.drawn.adjusted(tolerance, tolerance, -tolerance, -tolerance);
  bool scrolled = false;
  for (QQuickItem* around = text.item; around != nullptr; around = around->parentItem()) {
    if (scrolls(around)) scrolled = true;
    if (!around->clip() || scrolls(around)) continue;
    if (!sceneRect(around).contains(inner)) {
      return around == text.item ? QStringLiteral("its own box") : nameOf(around);
    }
  }
  if (!scrolled && !window.contains(inner)) return QStringLiteral("the window's edge");
  return {};
}

}  // namespace

QStringList textLayoutProblems(QQuickWindow& window) {
  std::vector<ShownText> texts;
  collect(window.contentItem(), texts);
  const QRectF bounds(QPointF(0, 0), QSizeF(window.size()));
  QStringList problems;
  for (const ShownText& text : texts) {
    const bool elides = text.item->property("elide").toInt() != 0;
    if (text.item->property("truncated").toBool() && !elides) {
      problems.append(QStringLiteral("%1 loses lines past its line limit").arg(describe(text.item)));
    }
    if (const QString cut = cutBy(text, bounds); !cut.isEmpty()) {
      problems.append(QStringLiteral("%1 is cut off by %2").arg(describe(text.item), cut));
    }
  }
  for (std::size_t a = 0; a < texts.size(); ++a) {
    for (std::size_t b = a + 1; b < texts.size(); ++b) {
      if (texts[a].layer != texts[b].layer || texts[a].turned || texts[b].turned) continue;
      // Two texts that scroll together meet wherever the page is scrolled to.
      const bool together = texts[a].scroller != nullptr && texts[a].scroller == texts[b].scroller;
      const QRectF both = together ? texts[a].scrolledTo & texts[b].scrolledTo : texts[a].seen & texts[b].seen;
      if (both.width() <= tolerance || both.height() <= tolerance) continue;
      problems.append(QStringLiteral("%1 and %2 are drawn over each other (%3 × %4 px at %5, %6)")
                          .arg(describe(texts[a].item), describe(texts[b].item))
                          .arg(both.width(), 0, 'f', 1)
                          .arg(both.height(), 0, 'f', 1)
                          .arg(both.x(), 0, 'f', 0)
                          .arg(both.y(), 0, 'f', 0));
    }
  }
  return problems;
}

}  // namespace tessorin::gallery
