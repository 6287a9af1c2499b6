#pragma once
// SpeedMarkingGlyph: the symbol of one SD speed marking as card labels print it: C2 to
// C10 as a number in an open ring, U1 and U3 as a digit in a U, V6 to V90 as a solid V
// before an italic number. Every size is a fraction of the item's height; the glyph is
// painted in C++ so that this arithmetic stays testable, and always left to right, so a
// V stands before its number in every language. The item's implicit width is the
// glyph's. An unknown marking, or a height of zero or less, draws nothing and is 0 wide.
// Main thread.

#include <optional>

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "tessorin/identity/SpeedClass.hpp"

namespace tessorin {

class SpeedMarkingGlyph : public QQuickPaintedItem {
  Q_OBJECT
  QML_ELEMENT
  // The marking's stored name: "class10", "u3", "v30".
  Q_PROPERTY(QString marking READ marking WRITE setMarking NOTIFY markingChanged)
  Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

 public:
  explicit SpeedMarkingGlyph(QQuickItem* parent = nullptr);

  QString marking() const { return markingName_; }
  void setMarking(const QString& marking);
  QColor color() const { return color_; }
  void setColor(const QColor& color);

  void paint(QPainter* painter) override;

  // The glyph of height h, its top-left corner at the painter's origin.
  static void draw(QPainter& painter, SpeedClass marking, qreal height, const QColor& color);
  static qreal width(SpeedClass marking, qreal height);

 Q_SIGNALS:
  void markingChanged();
  void colorChanged();

 private:
  void resize();

  QString markingName_;
  std::optional<SpeedClass> marking_;
  QColor color_ = Qt::black;
};

}  // namespace tessorin
