#pragma once
// AppClassGlyph: the application performance class A1 or A2 as an outlined italic label,
// every size a fraction of the item's height, painted in the caller's colour and always
// left to right. The outline is drawn inside the item, so the item is the outline's width
// plus its line. A height of zero or less draws nothing and is 0 wide. Main thread.

#include <optional>

#include <QColor>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "results/markings/MarkingGlyph.hpp"
#include "tessorin/identity/SpeedClass.hpp"

namespace tessorin {

// `marking` is the class's stored name: "a1" or "a2".
class AppClassGlyph : public MarkingGlyph {
  Q_OBJECT
  QML_ELEMENT
  // The badge is shown only for a class the card reaches.
  Q_PROPERTY(QString helpText READ helpText CONSTANT)

 public:
  explicit AppClassGlyph(QQuickItem* parent = nullptr);

  static QString helpText();

  static void draw(QPainter& painter, AppPerformanceClass marking, qreal height, const QColor& color);
  static qreal width(AppPerformanceClass marking, qreal height);

 protected:
  void readMarking(const QString& marking) override;
  qreal glyphWidth(qreal height) const override;
  void drawGlyph(QPainter& painter, qreal height, const QColor& color) const override;

 private:
  std::optional<AppPerformanceClass> marking_;
};

}  // namespace tessorin
