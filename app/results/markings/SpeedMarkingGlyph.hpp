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
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "results/markings/MarkingGlyph.hpp"
#include "tessorin/identity/SpeedClass.hpp"

namespace tessorin {

// `marking` is the marking's stored name: "class10", "u3", "v30".
class SpeedMarkingGlyph : public MarkingGlyph {
  Q_OBJECT
  QML_ELEMENT

 public:
  explicit SpeedMarkingGlyph(QQuickItem* parent = nullptr);

  // The glyph of height h, its top-left corner at the painter's origin.
  static void draw(QPainter& painter, SpeedClass marking, qreal height, const QColor& color);
  static qreal width(SpeedClass marking, qreal height);

 protected:
  void readMarking(const QString& marking) override;
  qreal glyphWidth(qreal height) const override;
  void drawGlyph(QPainter& painter, qreal height, const QColor& color) const override;

 private:
  std::optional<SpeedClass> marking_;
};

}  // namespace tessorin
