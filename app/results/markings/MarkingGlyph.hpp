#pragma once
// MarkingGlyph: what the painted glyphs of card markings share: the marking's stored name
// and the colour as properties, an implicit width that follows the marking and the item's
// height, and a repaint when any of them changes. A glyph says how wide it is and how it
// is drawn at a height; an unknown marking is 0 wide and draws nothing. Main thread.

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace tessorin {

class MarkingGlyph : public QQuickPaintedItem {
  Q_OBJECT
  QML_ANONYMOUS
  Q_PROPERTY(QString marking READ marking WRITE setMarking NOTIFY markingChanged)
  Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

 public:
  QString marking() const { return markingName_; }
  void setMarking(const QString& marking);
  QColor color() const { return color_; }
  void setColor(const QColor& color);

  void paint(QPainter* painter) override;

 Q_SIGNALS:
  void markingChanged();
  void colorChanged();

 protected:
  explicit MarkingGlyph(QQuickItem* parent);

  // Reads a stored name; an unknown one leaves the glyph empty.
  virtual void readMarking(const QString& marking) = 0;
  // 0 while there is no marking.
  virtual qreal glyphWidth(qreal height) const = 0;
  virtual void drawGlyph(QPainter& painter, qreal height, const QColor& color) const = 0;

 private:
  void resize();

  QString markingName_;
  QColor color_ = Qt::black;
};

}  // namespace tessorin
