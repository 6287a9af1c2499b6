#pragma once
// AppClassGlyph: the application performance class A1 or A2 as an outlined italic label,
// every size a fraction of the item's height, painted in the caller's colour and always
// left to right. The outline is drawn inside the item, so the item is the outline's width
// plus its line. A height of zero or less draws nothing and is 0 wide. Main thread.

#include <optional>

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "tessorin/identity/SpeedClass.hpp"

namespace tessorin {

class AppClassGlyph : public QQuickPaintedItem {
  Q_OBJECT
  QML_ELEMENT
  // The class's stored name: "a1" or "a2".
  Q_PROPERTY(QString marking READ marking WRITE setMarking NOTIFY markingChanged)
  Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
  // The badge is shown only for a class the card reaches.
  Q_PROPERTY(QString helpText READ helpText CONSTANT)

 public:
  explicit AppClassGlyph(QQuickItem* parent = nullptr);

  QString marking() const { return markingName_; }
  void setMarking(const QString& marking);
  QColor color() const { return color_; }
  void setColor(const QColor& color);

  static QString helpText();

  void paint(QPainter* painter) override;

  static void draw(QPainter& painter, AppPerformanceClass marking, qreal height, const QColor& color);
  static qreal width(AppPerformanceClass marking, qreal height);

 Q_SIGNALS:
  void markingChanged();
  void colorChanged();

 private:
  void resize();

  QString markingName_;
  std::optional<AppPerformanceClass> marking_;
  QColor color_ = Qt::black;
};

}  // namespace tessorin
